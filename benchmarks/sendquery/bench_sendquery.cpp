// SPDX-License-Identifier: MIT
// Send with Auto Query on the program's offscreen window over the simulated bus: from the click on
// Send to the identity in the results box, the box's repaint included.
#include "gpib/driverbinding.h"
#include "panel.h"

#include <QApplication>

#include <benchmark/benchmark.h>

int main(int argc, char **argv) {
    benchmark::Initialize(&argc, argv);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    gpib::DriverBinding::instance().useLibraries({QStringLiteral(GPIBSIM_PATH)});

    Window window;
    const Ui::Form1 &ui = *window.form.ui;
    window.click(ui.cmdInitialize);
    window.type(ui.txtCmd, QStringLiteral("*IDN?"));
    ui.ckAuto->setCheckState(Qt::Checked);
    const QString identity = QStringLiteral("QUORIN,Simulated Multimeter,SIM0004,1.0");

    benchmark::RegisterBenchmark("SendIdentityQuery", [&](benchmark::State &state) {
        for (auto _ : state) {
            window.click(ui.cmdSend);
            QCoreApplication::processEvents();
            if (window.results() != identity) {
                state.SkipWithError("the identity did not appear");
                break;
            }
        }
    })->Unit(benchmark::kMicrosecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
