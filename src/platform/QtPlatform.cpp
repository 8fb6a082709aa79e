#include "platform/QtPlatform.h"

#include <QApplication>
#include <QBitmap>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <array>

#include "app/Resources.h"
#include "platform/GLView.h"
#include "platform/QtMenus.h"

QCursor MakeCursor(int cursorId) {
    const CursorDef* def = FindCursor(cursorId);
    if (def == nullptr) {
        return QCursor(Qt::ArrowCursor);
    }
    // Rows hold their leftmost pixel in the top bit, which is the byte order of a
    // most-significant-bit-first monochrome image once each row is written out high
    // byte first.
    std::array<uchar, 32 * 4> black{};
    std::array<uchar, 32 * 4> mask{};
    for (int y = 0; y < 32; ++y) {
        const uint32_t opaque = def->black[y] | def->white[y];
        for (int b = 0; b < 4; ++b) {
            const int shift = 24 - 8 * b;
            black[y * 4 + b] = static_cast<uchar>((def->black[y] >> shift) & 0xFFu);
            mask[y * 4 + b] = static_cast<uchar>((opaque >> shift) & 0xFFu);
        }
    }
    // Bitmap and mask together: 1/1 black, 0/1 white, 0/0 transparent.
    const QBitmap bitmap = QBitmap::fromData(QSize(32, 32), black.data(), QImage::Format_Mono);
    const QBitmap maskBitmap = QBitmap::fromData(QSize(32, 32), mask.data(), QImage::Format_Mono);
    return QCursor(bitmap, maskBitmap, def->hotX, def->hotY);
}

QtPlatform::QtPlatform(QWidget* owner, GLView* view, QtMenus* menus)
    : m_owner(owner), m_view(view), m_menus(menus) {
    for (int id : {IDC_PEN, IDC_ERASER, IDC_DRAG, IDC_CHANGE}) {
        m_cursors.emplace(id, MakeCursor(id));
    }
}

void QtPlatform::RedrawWindow() { m_view->Render(); }

void QtPlatform::MessageBeep() { QApplication::beep(); }

void QtPlatform::SetCursor(int cursorId) {
    // The frame sets the cursor on every mouse move; only a change reaches the
    // window system.
    if (cursorId == m_shownCursor) {
        return;
    }
    const auto it = m_cursors.find(cursorId);
    if (it == m_cursors.end()) {
        m_view->unsetCursor();
    } else {
        m_view->setCursor(it->second);
    }
    m_shownCursor = cursorId;
}

int QtPlatform::FindMenu(int menuId) { return m_menus->FindMenu(menuId); }

void QtPlatform::CheckMenuRadioItem(int menu, int first, int last, int checkedId) {
    m_menus->CheckRadio(menu, first, last, checkedId);
}

void QtPlatform::CheckMenuItem(int menu, int id, bool checked) {
    m_menus->Check(menu, id, checked);
}

void QtPlatform::SetMenuItemText(int menu, int id, const std::string& text) {
    m_menus->SetText(menu, id, text);
}

namespace {

QStringList Filters(std::span<const FileType> types) {
    QStringList filters;
    for (const FileType& type : types) filters << QString::fromUtf8(type.filter);
    return filters;
}

// The user's choice of type counts only when the name typed has no extension of the
// offered types: "shape.stl" is STL whatever filter is chosen, "shape" with the STL
// filter becomes "shape.stl". A name with another extension keeps it, as the OBJ
// dialog always did.
QString WithTypeExtension(QString file, std::span<const FileType> types, int chosen) {
    for (const FileType& type : types)
        if (file.endsWith(QStringLiteral(".") + QString::fromUtf8(type.extension),
                          Qt::CaseInsensitive))
            return file;
    if (chosen <= 0 || static_cast<size_t>(chosen) >= types.size()) return file;
    const QString leaf = file.section(QLatin1Char('/'), -1);
    if (leaf.contains(QLatin1Char('.'))) return file;
    return file + QStringLiteral(".") +
           QString::fromUtf8(types[static_cast<size_t>(chosen)].extension);
}

}  // namespace

bool QtPlatform::GetSaveFileName(std::span<const FileType> types, std::string& path) {
    if (types.empty()) return false;
    QFileDialog dialog(m_owner);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(Filters(types));
    const QString extension = QString::fromUtf8(types.front().extension);
    dialog.setDefaultSuffix(extension);
    dialog.selectFile(QStringLiteral("Untitled.") + extension);
    // The default suffix follows the chosen type, so that the dialog's own overwrite
    // question names the file that will be written.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&dialog, types](const QString& filter) {
                         for (const FileType& type : types)
                             if (filter == QString::fromUtf8(type.filter))
                                 dialog.setDefaultSuffix(QString::fromUtf8(type.extension));
                     });
    // Overwrite confirmation is the dialog's default; it is left on.
    const int result = dialog.exec();
    ReturnFocus();
    if (result != QDialog::Accepted) {
        return false;
    }
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty()) {
        return false;
    }
    const int chosen = Filters(types).indexOf(dialog.selectedNameFilter());
    // The core opens the path with the C library, which takes the file system's encoding.
    path = QFile::encodeName(WithTypeExtension(files.first(), types, chosen)).toStdString();
    return true;
}

bool QtPlatform::GetOpenFileName(std::span<const FileType> types, std::string& path) {
    QFileDialog dialog(m_owner);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(Filters(types));
    const int result = dialog.exec();
    ReturnFocus();
    if (result != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return false;
    }
    path = QFile::encodeName(dialog.selectedFiles().first()).toStdString();
    return true;
}

void QtPlatform::ShowMessage(const std::string& text) {
    QMessageBox box(QMessageBox::Warning, QApplication::applicationName(),
                    QString::fromStdString(text), QMessageBox::Ok, m_owner);
    box.exec();
    ReturnFocus();
}

bool QtPlatform::AskYesNo(const std::string& question) {
    QMessageBox box(QMessageBox::Question, QApplication::applicationName(),
                    QString::fromStdString(question), QMessageBox::Yes | QMessageBox::No, m_owner);
    box.setDefaultButton(QMessageBox::Yes);
    const int answer = box.exec();
    ReturnFocus();
    return answer == QMessageBox::Yes;
}

void QtPlatform::ReportFileError(const std::string& path, const std::string& reason) {
    QMessageBox box(QMessageBox::Warning, QApplication::applicationName(),
                    QStringLiteral("An error occurred while writing to %1.\n\n%2")
                        .arg(QString::fromStdString(path), QString::fromStdString(reason)),
                    QMessageBox::Ok, m_owner);
    box.exec();
    ReturnFocus();
}

void QtPlatform::ReturnFocus() {
    // The window manager gives the keyboard back to the window a dialog came from
    // only when that dialog was the last one open: after the overwrite question
    // inside the save dialog it goes nowhere, and the accelerator keys stay dead
    // until the user clicks into the window.
    QWidget* window = m_owner->window();
    window->raise();
    window->activateWindow();
}
