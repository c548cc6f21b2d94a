// SPDX-License-Identifier: MIT
#include "panel/resultsbox.h"

#include <QScrollBar>

namespace panel {

ResultsBox::ResultsBox(QWidget *parent) : QPlainTextEdit(parent) {
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setTabChangesFocus(true);
    connect(this, &QPlainTextEdit::textChanged, this, &ResultsBox::takeTypedText);
}

void ResultsBox::setText(const QString &text) {
    text_ = text;
    // The editor knows only line feeds: a CR LF pair shows as one line break, and a lone
    // carriage return, a control character, shows as nothing.
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n")).remove(QLatin1Char('\r'));
    writing_ = true;
    setPlainText(shown);
    writing_ = false;
}

// What the operator types is kept with CR LF line breaks, as the program writes them.
void ResultsBox::takeTypedText() {
    if (writing_)
        return;
    text_ = toPlainText().replace(QLatin1Char('\n'), QLatin1String("\r\n"));
}

} // namespace panel
