#include "app/qt/FileChooser.h"

#include <QtWidgets/QFileDialog>

namespace orvane {

std::optional<std::string> ChooseScriptFile(QWidget* owner) {
    QFileDialog dialog(owner);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // AnyFile, not ExistingFile: a typed name of a missing file is accepted, and the worker
    // reports it when it cannot read it.
    dialog.setFileMode(QFileDialog::AnyFile);
    // The pattern of "(*.*)" is "*" so that it matches names without a dot too, as it does on
    // the desktop that named it; HideNameFilterDetails shows each filter by its name alone.
    dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::HideNameFilterDetails);
    dialog.setNameFilters({QStringLiteral("(*.txt) (*.txt)"), QStringLiteral("(*.*) (*)")});
    dialog.selectNameFilter(QStringLiteral("(*.txt) (*.txt)"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().constFirst().toStdString();
}

}  // namespace orvane
