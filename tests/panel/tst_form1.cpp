// SPDX-License-Identifier: MIT
#include "gpib/driverbinding.h"
#include "gpib/statusmirror.h"
#include "outcomes.h"
#include "panel.h"

#include <QApplication>
#include <QImageReader>
#include <QTest>
#include <QTimer>

class TestForm1 : public QObject {
    Q_OBJECT

private slots:
    void window();
    void controls_data();
    void controls();
    void tabOrderSkipsDisabledControlsAndFrames();
    void startUpState();
    void typingIntoTheAddressBoxEnablesSet();
    void enterInTheCommandBoxSendsNothing();
    void disabledButtonsIgnoreClicks();
    void resultsBoxReadsBackExactly_data();
    void resultsBoxReadsBackExactly();
    void busyCursorWhileAnOperationRuns_data();
    void busyCursorWhileAnOperationRuns();
    void nothingIsLoadedAtStartUp();
    void artwork();
    void exitEndsTheProgram();
    void closeBoxEndsTheProgram();
};

void TestForm1::window() {
    Panel p;
    QCOMPARE(p.form.windowTitle(), QStringLiteral("Quorin Velmar Demo"));
    QCOMPARE(p.form.size(), QSize(635, 487));
    QCOMPARE(p.form.findChildren<QWidget *>(QString(), Qt::FindChildrenRecursively).size() >= 26,
             true);
    QVERIFY(!p.form.windowIcon().isNull());
    // No button is a default button: Enter and Esc start nothing.
    for (QPushButton *button : p.form.findChildren<QPushButton *>())
        QVERIFY2(!button->isDefault() && !button->autoDefault(), qPrintable(button->objectName()));
}

void TestForm1::controls_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QRect>("twips");

    const auto row = [](const char *name, const char *kind, const char *parent, const char *caption,
                        int l, int t, int w, int h) {
        QTest::newRow(name) << name << kind << parent << caption << QRect(l, t, w, h);
    };
    row("txtRev", "QLineEdit", "Form1", "", 3240, 6720, 2055, 360);
    row("txtError", "QLineEdit", "Form1", "", 120, 0, 9255, 375);
    row("frmResults", "QGroupBox", "Form1", "Device Response", 720, 3480, 5655, 1935);
    row("ckAuto", "QCheckBox", "frmResults", "Auto Query", 360, 360, 1575, 255);
    row("cmdRead", "QPushButton", "frmResults", "Read Device Response", 2880, 240, 2535, 375);
    row("txtResults", "panel::ResultsBox", "frmResults", "", 240, 840, 5295, 975);
    row("frmTerm", "QGroupBox", "Form1", "Command Terminators", 720, 1320, 3255, 855);
    row("ckLF", "QCheckBox", "frmTerm", "LF", 1800, 480, 615, 255);
    row("ckCR", "QCheckBox", "frmTerm", "CR", 240, 360, 735, 375);
    row("frmCMD", "QGroupBox", "Form1", "Device Command", 720, 2400, 5655, 855);
    row("cmdSend", "QPushButton", "frmCMD", "Send", 4800, 360, 735, 375);
    row("txtCmd", "QLineEdit", "frmCMD", "", 240, 360, 4215, 360);
    row("frm488_2", "QGroupBox", "Form1", "488.2 Cmds", 7320, 2880, 1455, 2175);
    row("cmdFindLstn", "QPushButton", "frm488_2", "FindLstn", 120, 360, 1215, 495);
    row("cmdCLS", "QPushButton", "frm488_2", "Send  *CLS", 120, 1560, 1215, 495);
    row("cmdRST", "QPushButton", "frm488_2", "Send *RST", 120, 960, 1215, 495);
    row("frm488_1", "QGroupBox", "Form1", "488.1 Comds", 7320, 360, 1455, 2175);
    row("cmdSpoll", "QPushButton", "frm488_1", "Serial Poll", 120, 1560, 1215, 495);
    row("cmdDevClr", "QPushButton", "frm488_1", "Device Clear", 120, 960, 1215, 495);
    row("cmdIFC", "QPushButton", "frm488_1", "Send IFC", 120, 360, 1215, 495);
    row("frmAddr", "QGroupBox", "Form1", "Device Address", 2520, 360, 2055, 855);
    row("cmdSet", "QPushButton", "frmAddr", "Set", 1080, 360, 735, 375);
    row("txtAddr", "QLineEdit", "frmAddr", "", 240, 360, 495, 375);
    row("cmdExit", "QPushButton", "Form1", "Exit", 7560, 6480, 1215, 495);
    row("cmdInitialize", "QPushButton", "Form1", "Initialize", 960, 600, 1095, 375);
    row("ImageQuorin", "QLabel", "Form1", "", 6840, 5400, 2355, 765);
}

void TestForm1::controls() {
    QFETCH(QString, name);
    QFETCH(QString, kind);
    QFETCH(QString, parent);
    QFETCH(QString, caption);
    QFETCH(QRect, twips);
    Panel p;
    auto *control = p.form.findChild<QWidget *>(name);
    QVERIFY(control);
    QCOMPARE(QString::fromLatin1(control->metaObject()->className()), kind);
    QCOMPARE(control->parentWidget()->objectName(), parent);
    QString shown;
    if (auto *box = qobject_cast<QGroupBox *>(control))
        shown = box->title();
    else if (auto *button = qobject_cast<QAbstractButton *>(control))
        shown = button->text();
    QCOMPARE(shown, caption);
    // Twips at 96 dots per inch: 15 to the pixel.
    QCOMPARE(control->geometry(),
             QRect(twips.x() / 15, twips.y() / 15, twips.width() / 15, twips.height() / 15));
}

void TestForm1::tabOrderSkipsDisabledControlsAndFrames() {
    Panel p;
    QApplication::setActiveWindow(&p.form);
    QCOMPARE(QApplication::focusWidget(), p.form.ui->cmdInitialize);
    // Start-up leaves Set and the bus buttons disabled and the error box too.
    const QStringList expected{"cmdExit", "txtAddr", "txtCmd", "txtResults",   "ckCR",
                               "ckLF",    "txtRev",  "ckAuto", "cmdInitialize"};
    QStringList visited;
    for (int i = 0; i < expected.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(visited, expected);
}

void TestForm1::startUpState() {
    Panel p;
    const Ui::Form1 &ui = *p.form.ui;
    QCOMPARE(ui.txtAddr->text(), QStringLiteral("4"));
    QCOMPARE(ui.txtRev->text(), QStringLiteral("Revised 05-22-2007"));
    QCOMPARE(ui.txtResults->text(), QString());
    QCOMPARE(ui.txtError->text(), QString());
    QCOMPARE(ui.txtCmd->text(), QString());
    QVERIFY(!ui.txtError->isEnabled());
    QVERIFY(p.errorShown());
    QCOMPARE(ui.ckCR->checkState(), Qt::Unchecked);
    QCOMPARE(ui.ckLF->checkState(), Qt::Checked);
    QCOMPARE(ui.ckAuto->checkState(), Qt::Unchecked);
    QVERIFY(ui.ckAuto->isEnabled());
    QVERIFY(ui.cmdInitialize->isEnabled());
    QVERIFY(ui.cmdExit->isEnabled());
    for (QPushButton *button : {ui.cmdSet, ui.cmdRST, ui.cmdCLS, ui.cmdSend, ui.cmdRead, ui.cmdIFC,
                                ui.cmdFindLstn, ui.cmdSpoll, ui.cmdDevClr})
        QVERIFY2(!button->isEnabled(), qPrintable(button->objectName()));

    const operations::BenchState &b = p.form.bench;
    QCOMPARE(b.NL, QStringLiteral("\r\n"));
    QCOMPARE(b.ReadBuf, QString(80, QLatin1Char(' ')));
    QCOMPARE(b.Device, int16_t(4));
    QCOMPARE(b.eos, int16_t(10));
    QCOMPARE(b.vtmo, int16_t(0));
    QCOMPARE(b.ud, int16_t(0));
    QCOMPARE(b.FoundFlg, int16_t(0));
    QCOMPARE(operations::TargetAddr, int16_t(4));
    QVERIFY(p.driver.calls.isEmpty());
}

void TestForm1::typingIntoTheAddressBoxEnablesSet() {
    Panel p;
    QTest::keyClicks(p.form.ui->txtAddr, QStringLiteral("5"));
    QVERIFY(p.form.ui->cmdSet->isEnabled());
    // The other operation buttons wait for Initialize.
    QVERIFY(!p.form.ui->cmdSend->isEnabled());
    QVERIFY(!p.form.ui->cmdFindLstn->isEnabled());
}

void TestForm1::enterInTheCommandBoxSendsNothing() {
    Panel p;
    p.form.ui->cmdSend->setEnabled(true);
    p.type(p.form.ui->txtCmd, QStringLiteral("*IDN?"));
    QTest::keyClick(p.form.ui->txtCmd, Qt::Key_Return);
    QTest::keyClick(p.form.ui->txtCmd, Qt::Key_Enter);
    QTest::keyClick(p.form.ui->txtCmd, Qt::Key_Escape);
    QVERIFY(p.driver.calls.isEmpty());
    // Space on the focused button does send.
    p.form.ui->cmdSend->setFocus();
    QTest::keyClick(p.form.ui->cmdSend, Qt::Key_Space);
    QCOMPARE(p.driver.calls, QStringList{"Send(0, 4, *IDN?, 5, 1)"});
}

void TestForm1::disabledButtonsIgnoreClicks() {
    Panel p;
    const Ui::Form1 &ui = *p.form.ui;
    for (QPushButton *button : {ui.cmdSet, ui.cmdRST, ui.cmdCLS, ui.cmdSend, ui.cmdRead, ui.cmdIFC,
                                ui.cmdFindLstn, ui.cmdSpoll, ui.cmdDevClr})
        p.click(button);
    QVERIFY(p.driver.calls.isEmpty());
}

void TestForm1::resultsBoxReadsBackExactly_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    QTest::newRow("CR LF") << "first\r\nsecond"
                           << "first\nsecond";
    QTest::newRow("lone CR") << "1.234\r"
                             << "1.234";
    QTest::newRow("blanks") << "  a  "
                            << "  a  ";
    QTest::newRow("empty") << ""
                           << "";
}

void TestForm1::resultsBoxReadsBackExactly() {
    QFETCH(QString, text);
    QFETCH(QString, shown);
    Panel p;
    p.form.ui->txtResults->setText(text);
    QCOMPARE(p.form.ui->txtResults->text(), text);
    QCOMPARE(p.form.ui->txtResults->toPlainText(), shown);
    QCOMPARE(p.form.ui->txtResults->document()->blockCount(), int(shown.count('\n')) + 1);
}

void TestForm1::busyCursorWhileAnOperationRuns_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("failingEntry");
    QTest::addColumn<int>("calls");
    QTest::newRow("Initialize, four calls and discovery") << "cmdInitialize"
                                                          << "" << 5;
    QTest::newRow("Initialize stopped by a failure") << "cmdInitialize"
                                                     << "SendIFC" << 3;
    QTest::newRow("Send with Auto Query, then Receive") << "cmdSend"
                                                        << "" << 2;
    QTest::newRow("Send failing") << "cmdSend"
                                  << "Send" << 1;
}

// The busy cursor is up for every call an operation makes, set once around the whole operation
// and gone afterwards, however the operation ended.
void TestForm1::busyCursorWhileAnOperationRuns() {
    QFETCH(QString, button);
    QFETCH(QString, failingEntry);
    QFETCH(int, calls);
    Panel p;
    p.form.ui->cmdSend->setEnabled(true);
    p.form.ui->ckAuto->setCheckState(Qt::Checked);
    p.form.ui->txtCmd->setText(QStringLiteral("*IDN?"));
    if (!failingEntry.isEmpty())
        p.driver.script(failingEntry, failureWith(6));
    QList<int> depths;
    p.driver.onCall = [&depths](const QString &) {
        const QCursor *cursor = QApplication::overrideCursor();
        QVERIFY(cursor && cursor->shape() == Qt::WaitCursor);
        // Count the override cursors stacked up, then put them back: one means no flicker.
        int depth = 0;
        while (QApplication::overrideCursor()) {
            QApplication::restoreOverrideCursor();
            ++depth;
        }
        for (int i = 0; i < depth; ++i)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        depths << depth;
    };
    p.click(p.form.findChild<QPushButton *>(button));
    QCOMPARE(depths, QList<int>(calls, 1));
    QCOMPARE(QApplication::overrideCursor(), nullptr);
}

void TestForm1::nothingIsLoadedAtStartUp() {
    gpib::DriverBinding::instance().useLibraries({QStringLiteral("libgpibsim.so")});
    {
        panel::Form1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
    }
    QCOMPARE(gpib::DriverBinding::instance().loadedLibrary(), QString());
}

void TestForm1::artwork() {
    Panel p;
    const QPixmap logo = p.form.ui->ImageQuorin->pixmap();
    QCOMPARE(logo.size(), QSize(847, 275));
    QVERIFY(p.form.ui->ImageQuorin->hasScaledContents());
    QCOMPARE(p.form.ui->ImageQuorin->focusPolicy(), Qt::NoFocus);
    QImageReader icon(QStringLiteral(":/assets/quorin.ico"));
    QCOMPARE(icon.imageCount(), 6);
}

void TestForm1::exitEndsTheProgram() {
    Panel p;
    QTimer::singleShot(0, &p.form, [&p] { p.click(p.form.ui->cmdExit); });
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(p.driver.calls.isEmpty());
}

void TestForm1::closeBoxEndsTheProgram() {
    Panel p;
    QTimer::singleShot(0, &p.form, [&p] { p.form.close(); });
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(p.driver.calls.isEmpty());
}

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
