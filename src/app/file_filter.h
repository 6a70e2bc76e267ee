#pragma once

// File-dialog filters: the commands describe them as "描述|模式;模式|描述|模式", Qt's dialogs
// want "描述 (模式 模式);;描述 (模式)".

#include <QString>

#include <string_view>

namespace tesk::app {

/// Converts a filter of alternating descriptions and patterns separated by '|' (patterns of one
/// entry separated by ';') to Qt's form. A description that already ends in its patterns, as
/// "文本文件(*.txt;*.jdx)" or "所有文件（*.*)", drops them: Qt reads the patterns from the last
/// pair of parentheses, which this adds, so the dialog shows each pattern once
/// ("文本文件 (*.txt *.jdx)"). Parentheses holding anything but patterns stay in the text. A
/// trailing description without patterns matches every file.
QString QtFileFilter(std::string_view filter);

} // namespace tesk::app
