#pragma once

#include <QFileInfo>
#include <QString>

// A name typed without an extension gets the one its file is written as (`fr220-sheet` becomes
// `fr220-sheet.pdf`), so the file opens where a shop opens such files; a name with any
// extension is kept as typed.
inline QString WithDefaultSuffix(const QString& path, const QString& suffix) {
    if (path.isEmpty() || !QFileInfo(path).suffix().isEmpty()) {
        return path;
    }
    return path + u'.' + suffix;
}
