#include "clilocation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

QString TubrixCliLocation() {
    const QString beside =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("tubrix-cli"));
    return QFileInfo(beside).isExecutable()
               ? beside
               : QStandardPaths::findExecutable(QStringLiteral("tubrix-cli"));
}
