#include "operations/errorbox.h"

#include "gpib/statusmirror.h"
#include "panel/form1.h"
#include "status/module3.h"

namespace operations {

void ShowErrorReport(Form1 &form, const char *label) {
    QString report = QString::fromLatin1(label);
    Module3::ReportError(report);
    form.ui.txtError->setText(Module3::ErrMsg);
    form.ui.txtError->show();
}

bool CheckCall(Form1 &form, const char *label) {
    if (GPIB32::Failed()) {
        ShowErrorReport(form, label);
        return false;
    }
    form.ui.txtError->hide();
    return true;
}

} // namespace operations
