#pragma once

// What the user has loaded: the design line of each method with its chain breaks.

#include "alignment/alignment.h"
#include "alignment/element/element_alignment.h"
#include "alignment/jd/jd_alignment.h"
#include "alignment/placed/placed_alignment.h"
#include "profile/profile.h"
#include "session/method.h"
#include "stationing/stationing.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tesk::session {

/// A design line as Initialize loaded it: built by one of the two builders, with the chain
/// breaks it was loaded with (none for an element line).
struct LoadedLine {
    std::shared_ptr<const jd::JdAlignment> Jd;                  ///< set for a JD line
    std::shared_ptr<const element::ElementAlignment> Elements; ///< set for an element line
    std::shared_ptr<const placed::PlacedAlignment> Placed;     ///< set for a LandXML line
    std::string AlignmentName;         ///< a LandXML line's name in its file
    std::vector<std::string> Warnings; ///< what reading it noticed (LandXML gaps, ...)
    stationing::Stationing Breaks;
    std::string AlignmentFile; ///< the file it was read from
    std::string BreakFile;     ///< the chain-break file, empty when none was read
    /// The vertical alignment and the cross-fall loaded for this line, when they were
    std::shared_ptr<const profile::Profile> Profile;
    std::shared_ptr<const profile::CrossFall> CrossFall;
    std::string ProfileFile;
    std::string CrossFallFile;

    /// The line itself.
    const alignment::Alignment& Line() const {
        return Jd ? Jd->Line() : (Placed ? Placed->Line() : Elements->Line());
    }
    AlignmentMethod Method() const {
        return Jd ? AlignmentMethod::IntersectionPoint : AlignmentMethod::Element;
    }
};

/// The lines loaded in one run of the program, one per method: switching the method option back
/// finds the other method's line as it was loaded, chain breaks included.
class Session {
public:
    /// The line of `method`, or nullptr before a successful Initialize with it.
    const LoadedLine* Line(AlignmentMethod method) const {
        const std::optional<LoadedLine>& line =
            method == AlignmentMethod::IntersectionPoint ? m_jd : m_elements;
        return line ? &*line : nullptr;
    }
    /// Makes `line` the loaded line of its method.
    void Load(LoadedLine line) {
        const AlignmentMethod method = line.Method();
        Load(method, std::move(line));
    }
    /// Makes `line` the loaded line of `method` (a LandXML line serves either).
    void Load(AlignmentMethod method, LoadedLine line) {
        (method == AlignmentMethod::IntersectionPoint ? m_jd : m_elements) = std::move(line);
    }

private:
    std::optional<LoadedLine> m_jd;
    std::optional<LoadedLine> m_elements;
};

} // namespace tesk::session
