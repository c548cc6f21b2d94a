// SPDX-License-Identifier: MIT
#include "operations/errorbox.h"

#include "gpib/statusmirror.h"
#include "status/statusreport.h"

namespace operations {

void showErrorReport(View &view, const char *label) {
    QString report = QString::fromLatin1(label);
    status::ReportError(report);
    view.setText(View::Box::Error, status::ErrMsg);
    view.showError(true);
}

bool checkCall(View &view, const char *label) {
    if (gpib::failed()) {
        showErrorReport(view, label);
        return false;
    }
    view.showError(false);
    return true;
}

} // namespace operations
