// SPDX-License-Identifier: MIT
// The simulated bus as a plugin host or a test runner uses it: loaded, unloaded and loaded again.
// Each load builds a new bus from GPIBSIM_BENCH as it is at that moment.
#include "gpibsim/api/gpibsim.h"

#include <QTest>

#include <dlfcn.h>

namespace {

// The library loaded by its path, with its entry points found by name.
class Library {
public:
    Library() : handle_(dlopen(GPIBSIM_PATH, RTLD_NOW | RTLD_LOCAL)) {}
    ~Library() { unload(); }
    Library(const Library &) = delete;
    Library &operator=(const Library &) = delete;

    bool loaded() const { return handle_ != nullptr; }
    bool unload() { return handle_ == nullptr || dlclose(std::exchange(handle_, nullptr)) == 0; }

    bool listensAt(int pad) const {
        short found = 0;
        entry<decltype(ibln)>("ibln")(0, pad, NO_SAD, &found);
        return found != 0;
    }
    int openDevice(int pad) const {
        return entry<decltype(ibdev)>("ibdev")(0, pad, NO_SAD, T3s, 1, 0);
    }

private:
    template <typename Function> Function *entry(const char *name) const {
        return reinterpret_cast<Function *>(dlsym(handle_, name));
    }

    void *handle_;
};

bool stillMapped() {
    void *handle = dlopen(GPIBSIM_PATH, RTLD_NOW | RTLD_NOLOAD);
    if (handle != nullptr)
        dlclose(handle);
    return handle != nullptr;
}

} // namespace

class GpibsimUnloadTest : public QObject {
    Q_OBJECT

private slots:
    void loadingAgainReadsTheBenchAgain();
};

void GpibsimUnloadTest::loadingAgainReadsTheBenchAgain() {
    qunsetenv("GPIBSIM_BENCH");
    Library first;
    QVERIFY2(first.loaded(), dlerror());
    QVERIFY(first.listensAt(4));
    QVERIFY(!first.listensAt(7));
    QCOMPARE(first.openDevice(4), 16);
    QVERIFY(first.unload());
    QVERIFY(!stillMapped());

    qputenv("GPIBSIM_BENCH", "dmm@7");
    Library second;
    QVERIFY2(second.loaded(), dlerror());
    QVERIFY(!second.listensAt(4));
    QVERIFY(second.listensAt(7));
    QCOMPARE(second.openDevice(7), 16);
}

QTEST_GUILESS_MAIN(GpibsimUnloadTest)
#include "tst_gpibsimunload.moc"
