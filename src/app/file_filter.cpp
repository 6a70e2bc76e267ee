#include "app/file_filter.h"

#include "app/qt_text.h"

#include <QStringList>

namespace tesk::app {

QString QtFileFilter(std::string_view filter) {
    const QStringList parts = ToQString(filter).split(u'|');
    QStringList entries;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        const QString description = parts[i].trimmed();
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
