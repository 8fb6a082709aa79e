#include "platform/MainWindow.h"

#include <QEvent>
#include <QIcon>
#include <QImage>
#include <QLayout>
#include <QMenuBar>
#include <QPixmap>
#include <QWindow>

#include "app/CommandTable.h"
#include "app/MainFrame.h"
#include "platform/GLView.h"
#include "platform/QtMenus.h"
#include "platform/QtPlatform.h"

namespace {

constexpr int kMinimumViewWidth = 200;
constexpr int kMinimumViewHeight = 150;

}  // namespace

QIcon MakeAppIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        QImage image(size, size, QImage::Format_ARGB32);
        DrawAppIcon(size, reinterpret_cast<uint32_t*>(image.bits()));
        icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}

MainWindow::MainWindow() {
    setWindowTitle(QString::fromUtf8(kAppTitle));
    setWindowIcon(MakeAppIcon());

    m_menus = std::make_unique<QtMenus>(
        menuBar(), [this](int id) { OnMenuCommand(id); },
        [this](int id) {
            const CommandDef* command = FindCommand(id);
            return m_frame == nullptr || command == nullptr || CommandEnabled(*m_frame, *command);
        });

    m_view = new GLView();
    QWidget* container = QWidget::createWindowContainer(m_view, this);
    // Keys typed while the surface has the focus must reach the window's shortcuts;
    // a click on the surface gives it the focus.
    container->setFocusPolicy(Qt::StrongFocus);
    // Below this the orientation marker (50 pixels from the lower left corner) fills
    // the surface and a stroke has no room; a surface of no height would leave the
    // projection without extent.
    container->setMinimumSize(kMinimumViewWidth, kMinimumViewHeight);
    setCentralWidget(container);

    m_platform = std::make_unique<QtPlatform>(this, m_view, m_menus.get());
}

MainWindow::~MainWindow() {
    // The surface may still be asked to paint while the widgets go away.
    m_view->SetFrame(nullptr);
}

bool MainWindow::Create() {
    if (!m_view->CreateContext()) {
        return false;
    }
    m_frame = std::make_unique<CMainFrame>(m_platform.get());
    m_view->SetFrame(m_frame.get());
    m_frame->OnCreate();

    resize(kInitialOuterWidth, kInitialOuterHeight);
    // Lay the window out now so the surface has its size before the first show.
    if (layout() != nullptr) {
        layout()->activate();
    }
    m_frame->OnSize(centralWidget()->width(), centralWidget()->height());
    return true;
}

void MainWindow::ShowAtInitialSize() {
    show();
    centralWidget()->setFocus();
    if (windowHandle() != nullptr) {
        windowHandle()->installEventFilter(this);
    }
}

void MainWindow::StartAutosave() {
    const std::string folder = DefaultAutosaveFolder();
    if (!folder.empty()) m_frame->StartAutosave(folder);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    // By the first expose the window manager has put its frame around the window,
    // so the frame's size is known.
    if (!m_outerSizeFitted && watched == windowHandle() && event->type() == QEvent::Expose) {
        m_outerSizeFitted = true;
        FitOuterSize();
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::FitOuterSize() {
    const QSize decoration = frameGeometry().size() - size();
    if (decoration.width() == 0 && decoration.height() == 0) {
        return;
    }
    resize(kInitialOuterWidth - decoration.width(), kInitialOuterHeight - decoration.height());
}

void MainWindow::OnMenuCommand(int id) {
    if (m_frame == nullptr) {
        return;
    }
    if (id == ID_APP_EXIT) {
        // No question asked: the program has no unsaved-changes prompt.
        close();
        return;
    }
    m_frame->OnCommand(id);
}
