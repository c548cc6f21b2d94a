// SPDX-License-Identifier: MIT
#include "adapterprocess.h"

#include <QProcessEnvironment>

namespace adaptertest {

AdapterProcess::AdapterProcess(const QStringList &arguments, const QStringList &environment) {
    QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"GPIBSIM_BENCH", "GPIBSIM_DEVICES", "GPIBSIM_TRACE"})
        variables.remove(name);
    for (const QString &variable : environment)
        variables.insert(variable.section('=', 0, 0), variable.section('=', 1));
    process_.setProcessEnvironment(variables);
    process_.start(QStringLiteral(GPIBSIM_ADAPTER_PATH), arguments);
}

AdapterProcess::~AdapterProcess() {
    if (process_.state() != QProcess::NotRunning)
        stop();
}

QByteArray AdapterProcess::nextLine() {
    while (!process_.canReadLine())
        if (!process_.waitForReadyRead(kPatienceMs))
            return {};
    return process_.readLine().chopped(1);
}

QByteArray AdapterProcess::nextPlace(const QByteArray &transport) {
    const QByteArray line = nextLine();
    return line.startsWith(transport + ' ') ? line.mid(transport.size() + 1) : QByteArray();
}

int AdapterProcess::stop(int signal) {
    this->signal(signal);
    return exitStatus();
}

void AdapterProcess::signal(int signal) {
    if (process_.state() != QProcess::NotRunning)
        ::kill(static_cast<pid_t>(process_.processId()), signal);
}

int AdapterProcess::exitStatus() {
    if (!process_.waitForFinished(kPatienceMs)) {
        process_.kill();
        process_.waitForFinished();
        return -1;
    }
    return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
}

QByteArray AdapterProcess::standardError() {
    return process_.readAllStandardError();
}

Finished runToEnd(const QStringList &arguments, const std::function<void()> &childSetup) {
    QProcess process;
    if (childSetup)
        process.setChildProcessModifier(childSetup);
    process.start(QStringLiteral(GPIBSIM_ADAPTER_PATH), arguments);
    if (!process.waitForFinished(kPatienceMs))
        process.kill();
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput(), process.readAllStandardError()};
}

} // namespace adaptertest
