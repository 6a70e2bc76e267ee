#pragma once

#include "session/prompts.h"

#include <deque>
#include <string>
#include <vector>

namespace tesk::testing {

/// The name a recorded focus move gives a field: "station", "angle", "skew".
inline std::string FieldName(session::Field field) {
    switch (field) {
    case session::Field::Station:
        return "station";
    case session::Field::Angle:
        return "angle";
    case session::Field::Skew:
        return "skew";
    case session::Field::None:
        break;
    }
    return {};
}

/// A scripted Prompts fake: answers file dialogs from a queue (empty answer = cancelled) and
/// records every message, focus move and activation in order. A refusal records its activation
/// first (when asked), then its message, then its focus move (when it has one).
class RecordingPrompts : public session::Prompts {
public:
    struct Dialog {
        std::string Title;
        std::string Filter;
    };

    std::deque<std::string> FileAnswers; ///< next answers of OpenFile; none left = cancelled
    std::vector<Dialog> Dialogs;         ///< every OpenFile call
    std::vector<std::string> Refusals;   ///< messages of Refuse
    std::vector<std::string> Errors;     ///< messages of Error
    std::vector<std::string> Details;    ///< details of Error (Chinese), one per message
    std::vector<std::string> Technical;  ///< English texts of Error, one per message
    std::vector<std::string> Focused;    ///< fields a refusal moved the focus to (FieldName)
    std::vector<std::string> Events;     ///< everything above in order, "kind:text"
    int Activations = 0;

    std::string OpenFile(std::string_view title, std::string_view filter) override {
        Dialogs.push_back({std::string(title), std::string(filter)});
        Events.push_back("open:" + std::string(title));
        if (FileAnswers.empty()) {
            return {};
        }
        std::string answer = FileAnswers.front();
        FileAnswers.pop_front();
        return answer;
    }
    void Refuse(const session::Refusal& refusal) override {
        if (refusal.ActivateFirst) {
            ActivateMainWindow();
        }
        Refusals.push_back(refusal.Message);
        Events.push_back("refuse:" + refusal.Message);
        if (refusal.Focus != session::Field::None) {
            Focused.push_back(FieldName(refusal.Focus));
            Events.push_back("focus:" + Focused.back());
        }
    }
    void Error(std::string_view message, std::string_view detail,
               std::string_view technical) override {
        Errors.emplace_back(message);
        Details.emplace_back(detail);
        Technical.emplace_back(technical);
        Events.push_back("error:" + std::string(message));
    }
    void ActivateMainWindow() override {
        ++Activations;
        Events.push_back("activate:");
    }
};

} // namespace tesk::testing
