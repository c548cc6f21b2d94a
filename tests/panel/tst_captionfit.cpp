// SPDX-License-Identifier: MIT
#include "panel/defaultfont.h"
#include "panel/form1.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFontDatabase>
#include <QGroupBox>
#include <QProcess>
#include <QPushButton>
#include <QStyleOption>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

namespace {

// Room left around a caption in its control, in pixels: negative when the caption is cut.
struct Margin {
    const QWidget *control;
    QString where;
    int pixels;
};

// A button's or check box's caption, sized as the widget sizes it for its size hint, against
// the rectangle the style draws it in.
void addMargins(QList<Margin> &margins, const QWidget *control, const QRect &room,
                const QString &caption) {
    const QSize needed = control->fontMetrics().size(Qt::TextShowMnemonic, caption);
    margins << Margin{control, control->objectName() + " across", room.width() - needed.width()}
            << Margin{control, control->objectName() + " down", room.height() - needed.height()};
}

// Pixels between two rectangles along the axis that parts them; negative when they overlap.
int gap(const QRect &a, const QRect &b) {
    const int across = std::max(b.left() - a.right(), a.left() - b.right());
    const int down = std::max(b.top() - a.bottom(), a.top() - b.bottom());
    return std::max(across, down) - 1;
}

// Every caption of the window, measured by the style's own metrics: a push button's label is
// drawn inside its frame, a check box's beside the indicator and its spacing, and a frame's
// title must stay inside the frame and clear of the controls in it.
QList<Margin> captionMargins(const QWidget &window) {
    QList<Margin> margins;
    for (const QPushButton *button : window.findChildren<QPushButton *>()) {
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        addMargins(margins, button,
                   button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button),
                   option.text);
    }
    for (const QCheckBox *box : window.findChildren<QCheckBox *>()) {
        QStyleOptionButton option;
        option.initFrom(box);
        option.text = box->text();
        addMargins(margins, box,
                   box->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, box),
                   option.text);
    }
    for (const QGroupBox *frame : window.findChildren<QGroupBox *>()) {
        QStyleOptionGroupBox option;
        option.initFrom(frame);
        option.text = frame->title();
        option.textAlignment = frame->alignment();
        option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
        const QRect title = frame->style()->subControlRect(QStyle::CC_GroupBox, &option,
                                                           QStyle::SC_GroupBoxLabel, frame);
        margins << Margin{frame, frame->objectName() + " across",
                          frame->width() - 1 - title.right()};
        for (const QWidget *child :
             frame->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly))
            margins << Margin{frame, frame->objectName() + " title to " + child->objectName(),
                              gap(title, child->geometry())};
    }
    return margins;
}

// The default user-interface fonts of the common Linux desktops, by file and size in points.
struct DesktopFont {
    QString file;
    qreal points;
};
const DesktopFont desktopFonts[] = {
    {QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"), 9},
    {QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"), 10},
    {QStringLiteral("/usr/share/fonts/truetype/noto/NotoSans-Regular.ttf"), 10},
    {QStringLiteral("/usr/share/fonts/opentype/cantarell/Cantarell-Regular.otf"), 11},
    {QStringLiteral("/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf"), 10},
};

} // namespace

class TestCaptionFit : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void captionsFit_data();
    void captionsFit();

private:
    void runInProcessAtRatio(qreal ratio);

    QHash<QString, QString> familyOfFile;
    QTemporaryDir scratch;
};

void TestCaptionFit::initTestCase() {
#if !defined(Q_OS_LINUX)
    QSKIP("the application's font is chosen on Linux only");
#endif
    QApplication::setStyle(QStringLiteral("Fusion"));
    for (const DesktopFont &font : desktopFonts) {
        const int id = QFontDatabase::addApplicationFont(font.file);
        QVERIFY2(id >= 0, qPrintable(font.file + " cannot be loaded: are the font packages of "
                                                 "scripts/common.sh installed?"));
        familyOfFile.insert(font.file, QFontDatabase::applicationFontFamilies(id).constFirst());
    }
}

void TestCaptionFit::captionsFit_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<qreal>("points");
    QTest::addColumn<qreal>("ratio");
    for (qreal ratio : {1.0, 1.5})
        for (const DesktopFont &font : desktopFonts)
            QTest::addRow("%s %g at %g", qPrintable(familyOfFile.value(font.file)), font.points,
                          ratio)
                << font.file << font.points << ratio;
}

void TestCaptionFit::captionsFit() {
    QFETCH(QString, file);
    QFETCH(qreal, points);
    QFETCH(qreal, ratio);
    if (ratio != qApp->devicePixelRatio())
        return runInProcessAtRatio(ratio);

    const QString family = familyOfFile.value(file);
    QFont desktop(family);
    desktop.setPointSizeF(points);
    QApplication::setFont(desktop);
    panel::capDefaultFont();
    panel::Form1 form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(form.devicePixelRatio(), ratio);
    // The desktop's family is kept, drawn from the file loaded.
    QCOMPARE(QFontInfo(form.font()).family(), family);

    const QList<Margin> margins = captionMargins(form);
    QStringList cut;
    QSet<const QWidget *> measured;
    for (const Margin &margin : margins) {
        measured << margin.control;
        if (margin.pixels < 0)
            cut << QStringLiteral("%1 by %2 px").arg(margin.where).arg(-margin.pixels);
    }
    // 11 buttons, 3 check boxes, 6 frames.
    QCOMPARE(measured.size(), 20);
    const Margin narrowest =
        *std::min_element(margins.cbegin(), margins.cend(),
                          [](const Margin &a, const Margin &b) { return a.pixels < b.pixels; });
    qInfo("%d px font, narrowest margin %d px (%s)", QFontInfo(form.font()).pixelSize(),
          narrowest.pixels, qPrintable(narrowest.where));
    QVERIFY2(cut.isEmpty(), qPrintable("cut: " + cut.join(", ")));
}

// Qt's scaling applies to the whole process, and it turns font hinting off, so a row of another
// ratio runs alone in a process of its own, on a screen of the dots per inch X11 gives that
// ratio (Xft.dpi 144 for 1.5).
void TestCaptionFit::runInProcessAtRatio(qreal ratio) {
    QVERIFY2(qApp->devicePixelRatio() == 1, "a scaled process runs only rows of its own ratio");
    const QString config = scratch.filePath(QStringLiteral("screen.json"));
    QFile screen(config);
    QVERIFY(screen.open(QIODevice::WriteOnly));
    screen.write(QStringLiteral(R"({"screens": [{"name": "scaled", "width": 1920, "height": 1080,
                                                 "logicalDpi": %1, "logicalBaseDpi": 96}]})")
                     .arg(96 * ratio)
                     .toUtf8());
    screen.close();

    QProcess row;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), "offscreen:configfile=" + config);
    row.setProcessEnvironment(environment);
    row.start(QCoreApplication::applicationFilePath(),
              {QStringLiteral("captionsFit:") + QTest::currentDataTag()});
    QVERIFY(row.waitForFinished());
    const QString output = QString::fromLocal8Bit(row.readAllStandardOutput());
    QVERIFY2(row.exitStatus() == QProcess::NormalExit && row.exitCode() == 0, qPrintable(output));
    for (const QString &line : output.split(QLatin1Char('\n')))
        if (line.startsWith(QLatin1String("QINFO")))
            qInfo("%s", qPrintable(line.section(QStringLiteral(") "), 1)));
}

QTEST_MAIN(TestCaptionFit)
#include "tst_captionfit.moc"
