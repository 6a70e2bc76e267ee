#pragma once

// The screenshots of the manual and the README, made by the program itself with scripted
// answers instead of dialogs (docs/make_screenshots.sh runs it under the offscreen platform).

#include <QString>

namespace tesk::app {

/// Loads the sample main line from `samplesFolder`, computes a point, draws the design line,
/// the pile coordinate table and the sketch of the sample bridge, and writes main_window.png,
/// progress_window.png, drawing_window.png, drawing_detail.png, coordinate_table.png,
/// pile_sketch.png and (the manual) help_window.png into `outputFolder`. Returns 0 on success,
/// otherwise 1 after printing why to stderr.
int MakeScreenshots(const QString& samplesFolder, const QString& outputFolder);

} // namespace tesk::app
