// SPDX-License-Identifier: MIT
// The simulated bus as a plugin host or a test runner uses it: loaded, unloaded and loaded again.
// Each load builds a new bus from GPIBSIM_BENCH as it is at that moment.
#include "gpibsim/api/gpibsim.h"

#include <QDir>
#include <QLibrary>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QTest>

#include <thread>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace {

// The library loaded by its path, with its entry points found by name.
class Library {
public:
    Library() : library_(QStringLiteral(GPIBSIM_PATH)) { library_.load(); }
    ~Library() { unload(); }
    Library(const Library &) = delete;
    Library &operator=(const Library &) = delete;

    bool loaded() const { return library_.isLoaded(); }
    QString error() const { return library_.errorString(); }
    bool unload() { return !library_.isLoaded() || library_.unload(); }

    bool listensAt(int pad) {
        short found = 0;
        entry<decltype(ibln)>("ibln")(0, pad, NO_SAD, &found);
        return found != 0;
    }
    int openDevice(int pad) { return entry<decltype(ibdev)>("ibdev")(0, pad, NO_SAD, T3s, 1, 0); }

private:
    template <typename Function> Function *entry(const char *name) {
        return reinterpret_cast<Function *>(library_.resolve(name));
    }

    QLibrary library_;
};

// Sets a variable of the process's environment as a program built with another C runtime does
// on Windows: there, in the process's environment only, not in this runtime's copy.
void setEnvironment(const char *name, const QString &value) {
#if defined(_WIN32)
    SetEnvironmentVariableW(QString::fromLatin1(name).toStdWString().c_str(),
                            value.toStdWString().c_str());
#else
    qputenv(name, value.toUtf8());
#endif
}

// Whether the library is still in the process after its last unload.
bool stillMapped() {
#if defined(_WIN32)
    return GetModuleHandleW(QStringLiteral(GPIBSIM_PATH).toStdWString().c_str()) != nullptr;
#else
    void *handle = dlopen(GPIBSIM_PATH, RTLD_NOW | RTLD_NOLOAD);
    if (handle != nullptr)
        dlclose(handle);
    return handle != nullptr;
#endif
}

} // namespace

class GpibsimUnloadTest : public QObject {
    Q_OBJECT

private slots:
    void loadingAgainReadsTheBenchAgain();
    void threadEndsAfterTheUnload();
    void definitionsInAFolderOfAnyName();
};

void GpibsimUnloadTest::loadingAgainReadsTheBenchAgain() {
    qunsetenv("GPIBSIM_BENCH");
    Library first;
    QVERIFY2(first.loaded(), qPrintable(first.error()));
    QVERIFY(first.listensAt(4));
    QVERIFY(!first.listensAt(7));
    QCOMPARE(first.openDevice(4), 16);
    QVERIFY(first.unload());
    QVERIFY(!stillMapped());

    qputenv("GPIBSIM_BENCH", "dmm@7");
    Library second;
    QVERIFY2(second.loaded(), qPrintable(second.error()));
    QVERIFY(!second.listensAt(4));
    QVERIFY(second.listensAt(7));
    QCOMPARE(second.openDevice(7), 16);
}

// A thread that called in ends after the library is gone: what the library keeps for each thread
// (its status) must not call back into the library's code as the thread ends.
void GpibsimUnloadTest::threadEndsAfterTheUnload() {
    qunsetenv("GPIBSIM_BENCH");
    Library library;
    QVERIFY2(library.loaded(), qPrintable(library.error()));
    QSemaphore called;
    QSemaphore unloaded;
    bool listened = false;
    std::thread caller([&] {
        listened = library.listensAt(4);
        called.release();
        unloaded.acquire();
    });
    called.acquire();
    const bool unloadedAll = library.unload() && !stillMapped();
    unloaded.release();
    caller.join();
    QVERIFY(listened);
    QVERIFY(unloadedAll);
}

// A bench whose files, one naming the others, lie in a folder named in several scripts, as a
// test runner names them in GPIBSIM_DEVICES before it loads the library.
void GpibsimUnloadTest::definitionsInAFolderOfAnyName() {
    QTemporaryDir temporary;
    const QString folder =
        temporary.filePath(QStringLiteral("Zo\u00eb \u03a9\u03bc\u03ad\u03b3\u03b1 \u6d4b"));
    QVERIFY(QDir().mkpath(folder));
    for (const QString &name : QDir(QStringLiteral(GPIBSIM_INSTRUMENTS)).entryList(QDir::Files))
        QVERIFY(QFile::copy(QStringLiteral(GPIBSIM_INSTRUMENTS "/") + name, folder + '/' + name));
    qunsetenv("GPIBSIM_BENCH");
    setEnvironment("GPIBSIM_DEVICES", QDir::toNativeSeparators(folder + "/bench.yaml"));
    Library library;
    QVERIFY2(library.loaded(), qPrintable(library.error()));
    const bool found = library.listensAt(6) && library.listensAt(10) && !library.listensAt(4);
    setEnvironment("GPIBSIM_DEVICES", QString());
    QVERIFY(found);
}

QTEST_GUILESS_MAIN(GpibsimUnloadTest)
#include "tst_gpibsimunload.moc"
