#include "app/file_filter.h"

#include "app/qt_text.h"

#include <QRegularExpression>
#include <QStringList>

#include <algorithm>

namespace tesk::app {

namespace {

/// `description` without the patterns it shows at its end in ASCII or full-width parentheses
/// ("文本文件(*.txt;*.jdx)" -> "文本文件"): Qt adds them once more from the pattern list.
QString WithoutShownPatterns(const QString& description) {
    if (!description.endsWith(u')') && !description.endsWith(u'）')) {
        return description;
    }
    const qsizetype open = std::max(description.lastIndexOf(u'('), description.lastIndexOf(u'（'));
    if (open <= 0) {
        return description;
    }
    const QString inside = description.mid(open + 1, description.size() - open - 2);
    static const QRegularExpression kPatterns(
        QStringLiteral("^[\\s;；,，]*(\\*[^\\s;；,，()（）]*[\\s;；,，]*)+$"));
    if (!kPatterns.match(inside).hasMatch()) {
        return description;
    }
    return description.left(open).trimmed();
}

} // namespace

QString QtFileFilter(std::string_view filter) {
    const QStringList parts = ToQString(filter).split(u'|');
    QStringList entries;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        const QString description = WithoutShownPatterns(parts[i].trimmed());
        QStringList patterns;
        if (i + 1 < parts.size()) {
            for (const QString& pattern : parts[i + 1].split(u';', Qt::SkipEmptyParts)) {
                patterns << pattern.trimmed();
            }
        }
        if (patterns.isEmpty()) {
            if (description.isEmpty()) {
                continue; // a stray '|' at the end
            }
            patterns << QStringLiteral("*");
        }
        entries << QStringLiteral("%1 (%2)").arg(description, patterns.join(u' '));
    }
    return entries.join(QStringLiteral(";;"));
}

} // namespace tesk::app
