#include "app/desktop_prompts.h"

namespace tesk::app {

std::string_view FieldControlName(session::Field field) {
    switch (field) {
    case session::Field::Station:
        return "stationField";
    case session::Field::Angle:
        return "angleField";
    case session::Field::Skew:
        return "skewField";
    case session::Field::None:
        break;
    }
    return {};
}

} // namespace tesk::app
