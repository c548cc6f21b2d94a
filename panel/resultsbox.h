// SPDX-License-Identifier: MIT
#pragma once

#include <QPlainTextEdit>

namespace panel {

// The multi-line results box: word wrap, no scroll bars, and a text that reads back exactly
// as it was written, CR LF pairs and lone carriage returns included.
class ResultsBox : public QPlainTextEdit {
    Q_OBJECT

public:
    explicit ResultsBox(QWidget *parent = nullptr);

    QString text() const { return text_; }
    void setText(const QString &text);

private:
    void takeTypedText();

    QString text_;
    bool writing_ = false;
};

} // namespace panel
