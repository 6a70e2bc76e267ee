#include "cad/drawing_host.h"

namespace tesk::cad {

SurveyCoordinateSystems AddSurveyCoordinateSystems(DrawingHost& host) {
    // "yx": x axis along north, y axis along east, so its z axis points down.
    UcsHandle yx = host.AddUserCoordinateSystem({0, 0, 0}, {0, 1, 0}, {1, 0, 0}, "yx");
    UcsHandle xy = host.AddUserCoordinateSystem({0, 0, 0}, {1, 0, 0}, {0, 1, 0}, "xy");
    return {std::move(yx), std::move(xy)};
}

void TextStyleHandle::SetFontFile(std::string_view fontFile) const {
    m_host->SetTextStyleFontFile(m_name, fontFile);
}

void TextStyleHandle::SetBigFontFile(std::string_view bigFontFile) const {
    m_host->SetTextStyleBigFontFile(m_name, bigFontFile);
}

void EntityHandle::SetColor(int colorIndex) const {
    m_host->SetEntityColor(m_id, colorIndex);
}

void TextHandle::SetScaleFactor(double widthFactor) const {
    m_host->SetTextScaleFactor(m_id, widthFactor);
}

void TextHandle::SetStyleName(std::string_view styleName) const {
    m_host->SetTextStyleName(m_id, styleName);
}

void TextHandle::SetRotation(double rotation) const {
    m_host->SetTextRotation(m_id, rotation);
}

void TextHandle::SetVerticalAlignment(VerticalAlignment alignment) const {
    m_host->SetTextVerticalAlignment(m_id, alignment);
}

void TextHandle::SetHorizontalAlignment(HorizontalAlignment alignment) const {
    m_host->SetTextHorizontalAlignment(m_id, alignment);
}

void TextHandle::SetTextAlignmentPoint(Point alignmentPoint) const {
    m_host->SetTextAlignmentPoint(m_id, alignmentPoint);
}

} // namespace tesk::cad
