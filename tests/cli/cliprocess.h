#pragma once

// Runs tubrix-cli as a whole process, the way a shop's scripts run it, in a fresh folder.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <iostream>
#include <string>
#include <vector>

namespace clitest {

struct CliRun {
    int Status = -1;
    std::string Out;
    std::string Err;
};

inline CliRun RunCli(const std::vector<std::string>& args, const QString& folder,
                     const std::string& input = {}) {
    QProcess process;
    process.setWorkingDirectory(folder);
    QStringList list;
    for (const std::string& arg : args) {
        list << QString::fromStdString(arg);
    }
    process.start(QStringLiteral(TUBRIX_CLI), list);
    process.write(input.data(), static_cast<qint64>(input.size()));
    process.closeWriteChannel();
    process.waitForFinished(120000);
    CliRun run;
    run.Status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.Out = process.readAllStandardOutput().toStdString();
    run.Err = process.readAllStandardError().toStdString();
    if (run.Err.find("Sanitizer") != std::string::npos) {
        // A sanitized build's report belongs in the test's own log, where the test script looks.
        std::cerr << run.Err;
    }
    return run;
}

inline void WriteText(const QString& path, const std::string& text) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text.data(), static_cast<qint64>(text.size()));
}

// The main window's initial program as a file.
inline const std::string InitialProgramText = "diameter,38\nY,B,C,R\n30,0,90,45\n30,90,90,45\n"
                                              "30,90,90,45\n30,90,90,45\n30,0,0,45\n";

} // namespace clitest
