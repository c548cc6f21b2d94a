// SPDX-License-Identifier: MIT
#include "panel.h"

#include <QAccessible>
#include <QTest>

namespace {

// The window's descendants in the accessibility tree, as a screen reader walks it.
QList<QAccessibleInterface *> descendants(QAccessibleInterface *parent) {
    QList<QAccessibleInterface *> found;
    for (int i = 0; i < parent->childCount(); ++i)
        if (QAccessibleInterface *child = parent->child(i))
            found << child << descendants(child);
    return found;
}

} // namespace

class TestAccessibleNames : public QObject {
    Q_OBJECT

private slots:
    void names_data();
    void names();
    void everyControlIsNamed();
};

void TestAccessibleNames::names_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("name");
    const auto row = [](const char *control, const char *name) {
        QTest::newRow(control) << control << name;
    };
    row("Form1", "Quorin Velmar Demo");
    row("txtError", "Last error");
    row("txtRev", "Revision");
    row("ImageQuorin", "Quorin Velmar logo");
    // A box in a frame is named by the frame's title.
    row("txtAddr", "Device Address");
    row("txtCmd", "Device Command");
    row("txtResults", "Device Response");
    // Frames, buttons and check boxes by their captions.
    row("frmAddr", "Device Address");
    row("frmCMD", "Device Command");
    row("frmResults", "Device Response");
    row("frmTerm", "Command Terminators");
    row("frm488_1", "488.1 Comds");
    row("frm488_2", "488.2 Cmds");
    row("cmdInitialize", "Initialize");
    row("cmdExit", "Exit");
    row("cmdSet", "Set");
    row("cmdSend", "Send");
    row("cmdRead", "Read Device Response");
    row("cmdIFC", "Send IFC");
    row("cmdDevClr", "Device Clear");
    row("cmdSpoll", "Serial Poll");
    row("cmdFindLstn", "FindLstn");
    row("cmdRST", "Send *RST");
    row("cmdCLS", "Send  *CLS");
    row("ckCR", "CR");
    row("ckLF", "LF");
    row("ckAuto", "Auto Query");
}

void TestAccessibleNames::names() {
    QFETCH(QString, control);
    QFETCH(QString, name);
    Panel p;
    QWidget *widget =
        p.form.objectName() == control ? &p.form : p.form.findChild<QWidget *>(control);
    QVERIFY(widget);
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(widget);
    QVERIFY(accessible);
    QCOMPARE(accessible->text(QAccessible::Name), name);
}

// Whatever a screen reader can reach in the window says what it is, the error box even while
// it is disabled and empty. The results box's viewport is its inside, which screen readers pass
// over as a filler.
void TestAccessibleNames::everyControlIsNamed() {
    Panel p;
    const QList<QAccessibleInterface *> reachable =
        descendants(QAccessible::queryAccessibleInterface(&p.form));
    int controls = 0;
    for (QAccessibleInterface *accessible : reachable) {
        if (accessible->state().invisible || accessible->role() == QAccessible::Client)
            continue;
        ++controls;
        QVERIFY2(!accessible->text(QAccessible::Name).isEmpty(),
                 qPrintable(accessible->object()->objectName() + " has no name"));
    }
    QCOMPARE(controls, 26);
}

QTEST_MAIN(TestAccessibleNames)
#include "tst_accessiblenames.moc"
