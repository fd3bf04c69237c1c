#include "platform/prompter.h"

#include "platform/window_title.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QMessageBox>
#include <QScreen>
#include <memory>

namespace mdq {

namespace {
QMessageBox::Icon qtIcon(Icon icon)
{
    switch (icon) {
    case Icon::Information: return QMessageBox::Information;
    case Icon::Exclamation: return QMessageBox::Warning;
    case Icon::Question: return QMessageBox::Question;
    case Icon::None: break;
    }
    return QMessageBox::NoIcon;
}

QWidget *ownerOr(QWidget *owner)
{
    if (QWidget *modal = QApplication::activeModalWidget())
        return modal;
    return owner;
}

}  // namespace

QMessageBox *QtPrompter::createBox(Icon icon, const QString &title, const QString &text, bool withCancel,
                                   QWidget *owner)
{
    auto *box = new QMessageBox(qtIcon(icon), title, text,
                                withCancel ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Ok, ownerOr(owner));
    box->setObjectName(QStringLiteral("MessageBox"));
    // Modal to the tool's windows only, so the virtual reader stays usable.
    box->setWindowModality(Qt::WindowModal);
    box->setDefaultButton(QMessageBox::Ok);
    // The box sizes itself to its text; a short text under a long title
    // would leave the title cut, and with it the error code some titles
    // carry. An invisible strut keeps the box as wide as its title needs.
    if (auto *grid = qobject_cast<QGridLayout *>(box->layout())) {
        int room = titleBarRoom(title);
        if (const QScreen *screen = box->screen())
            room = qMin(room, screen->availableGeometry().width() - 40);
        grid->addItem(new QSpacerItem(room, 0, QSizePolicy::Fixed, QSizePolicy::Minimum), grid->rowCount(), 0, 1,
                      grid->columnCount());
    }
    return box;
}

void QtPrompter::message(Icon icon, const QString &title, const QString &text)
{
    std::unique_ptr<QMessageBox> box(createBox(icon, title, text, false, m_owner));
    box->exec();
}

bool QtPrompter::askOkCancel(Icon icon, const QString &title, const QString &text)
{
    std::unique_ptr<QMessageBox> box(createBox(icon, title, text, true, m_owner));
    return box->exec() == QMessageBox::Ok;
}

std::optional<SaveDialogResult> QtPrompter::askSaveFile(const SaveDialogRequest &request)
{
    QFileDialog dialog(ownerOr(m_owner), request.title,
                       request.proposedName.isEmpty() ? request.initialDirectory
                                                      : request.initialDirectory + QLatin1Char('/') + request.proposedName,
                       request.filterName + QStringLiteral(" (") + request.filterPattern + QLatin1Char(')'));
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(request.defaultExtension);
    // The dialog asks before replacing an existing file; declining returns to it.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    const QString path = dialog.selectedFiles().constFirst();
    return SaveDialogResult{path, QFileInfo(path).fileName()};
}

std::optional<QString> QtPrompter::askOpenFile(const OpenDialogRequest &request)
{
    QFileDialog dialog(ownerOr(m_owner), request.title, request.initialDirectory, request.filter);
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

}  // namespace mdq
