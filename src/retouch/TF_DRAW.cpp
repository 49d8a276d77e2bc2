// The retouch editor's construction, layout and lifecycle; the handlers are in
// TF_DRAW_Handlers.cpp.
#include "retouch/TF_DRAW.h"

#include <QButtonGroup>
#include <QEventLoop>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QStatusBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtMath>

#include "imaging/TPictureIO.h"
#include "imaging/TPictureView.h"
#include "platform/Cursors.h"
#include "platform/DialogComponents.h"
#include "platform/Messages.h"
#include "retouch/TColorComboBoxEx.h"
#include "retouch/TF_DRAW_Translations.h"
#include "retouch/TLineWidthComboBox.h"
#include "translation/PublishedProperty.h"
#include "translation/TLanguage.h"
#include "ui/TFormAutoSize.h"

namespace velvo::retouch {

TF_DRAW* F_DRAW = nullptr;

namespace {

const char* const kBitmapFilter = "Bitmap files (*.bmp)|*.bmp|All files|*.*";

// The tool pictures, 22 x 22 on a transparent ground, dark strokes.
enum class Glyph { Undo, Pen, Dropper, Return };

QIcon glyph(Glyph kind) {
    QPixmap pixmap(22, 22);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QPen outline(QColor(40, 40, 40), 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(outline);
    QPainterPath path;
    switch (kind) {
    case Glyph::Undo:
        path.moveTo(6, 8);
        path.cubicTo(12, 3, 19, 6, 18, 12);
        path.cubicTo(17, 17, 11, 18, 8, 16);
        p.drawPath(path);
        p.setBrush(QColor(40, 40, 40));
        p.drawPolygon(QPolygonF({QPointF(3, 6), QPointF(9, 4), QPointF(8, 11)}));
        break;
    case Glyph::Pen:
        path.moveTo(4, 18);
        path.lineTo(5, 14);
        path.lineTo(15, 4);
        path.lineTo(18, 7);
        path.lineTo(8, 17);
        path.closeSubpath();
        p.setBrush(QColor(240, 200, 80));
        p.drawPath(path);
        p.drawLine(QPointF(5, 14), QPointF(8, 17));
        break;
    case Glyph::Dropper:
        p.setBrush(QColor(120, 170, 230));
        path.moveTo(4, 18);
        path.lineTo(5, 15);
        path.lineTo(12, 8);
        path.lineTo(14, 10);
        path.lineTo(7, 17);
        path.closeSubpath();
        p.drawPath(path);
        p.setBrush(QColor(40, 40, 40));
        p.drawEllipse(QPointF(15.5, 6.5), 3.5, 3.5);
        break;
    case Glyph::Return:
        p.setBrush(QColor(230, 240, 255));
        p.drawEllipse(QPointF(11, 11), 9, 9);
        p.setPen(QPen(QColor(150, 30, 60), 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        path.moveTo(6.5, 6.5);
        path.lineTo(11, 16);
        path.lineTo(15.5, 6.5);
        p.drawPath(path);
        break;
    }
    return QIcon(pixmap);
}

} // namespace

TF_DRAW::TF_DRAW(app::TF_HAIR* main) : QMainWindow(nullptr), main_(main) {
    setObjectName(QStringLiteral("F_DRAW"));
    F_DRAW = this;
    setWindowTitle(QStringLiteral("Retoque Velvo"));
    setWindowModality(Qt::ApplicationModal);
    resize(593, 442);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    pen_ = QPen(QColor(0, 0, 0), 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);

    buildComponents();
    buildMenus();
    buildToolPanel();
    buildStatusBar();

    // The window sees the key before the focused control does.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, [this] { FormKeyDown(Qt::Key_Escape); });

    L1 = new TLanguage(this);
    L1->setObjectName(QStringLiteral("L1"));
    L1->SetProperties(retouchTranslationList());
    L1->SetSeparator(QStringLiteral(","));
    FormAutoSize1 = new TFormAutoSize(this);
    FormAutoSize1->setObjectName(QStringLiteral("FormAutoSize1"));
    FormAutoSize1->DesignTimeSize() = {800, 600, 396, 96};
    FormAutoSize1->SetAllowAutoSize(true);
    FormAutoSize1->SetCheckPixelsPerInch(true);
    FormAutoSize1->SetActive(true);
    TFormAutoSize::SetWindowScaled(this, true);
    // A translation value that does not convert ends in the standard error box; the window is
    // still created.
    platform::runGuarded([this] { FormCreate(); });
}

TF_DRAW::~TF_DRAW() {
    if (modalLoop_)
        modalLoop_->quit();
    if (main_ && main_->Retoucher == this)
        main_->Retoucher = nullptr;
    if (F_DRAW == this)
        F_DRAW = nullptr;
}

void TF_DRAW::buildComponents() {
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("ClientArea"));
    auto* layout = new QVBoxLayout(client);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    setCentralWidget(client);

    Panel1 = new QWidget(client);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedHeight(40);
    layout->addWidget(Panel1);

    ScrollBox1 = new QScrollArea(client);
    ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
    ScrollBox1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ScrollBox1->setWidgetResizable(false);
    ScrollBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    ScrollBox1->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    layout->addWidget(ScrollBox1, 1);

    // The view always has its picture's size, so the scroll box does the scrolling and a
    // point of the view is the same point of the picture wherever the box is scrolled.
    Image = new imaging::TPictureView;
    Image->setObjectName(QStringLiteral("Image"));
    Image->SetScrollBars(imaging::TPictureView::ssBoth);
    Image->SetCenter(false);
    Image->SetMouseInteract(imaging::TPictureView::miNone);
    Image->SetAutoFit(true);
    Image->setCursor(platform::Cursors::instance().cursor(platform::crCross2));
    Image->installEventFilter(this);
    // The picture stays at 100 % on any screen; only the window around it grows.
    TFormAutoSize::SetSizedByContent(Image);
    ScrollBox1->setWidget(Image);

    Image1 = new imaging::TPictureView(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    QImage blank(105, 105, QImage::Format_BGR888);
    blank.fill(Qt::white);
    Image1->SetImage(blank);
    Image1->hide();

    PictureIO1 = new imaging::TPictureIO(this);
    PictureIO1->setObjectName(QStringLiteral("PictureIO1"));
    PictureIO1->SetAttachedView(Image);

    for (auto [dialog, kind, name] :
         {std::tuple{&OpenDialog1, platform::TFileDialog::Open, "OpenDialog1"},
          std::tuple{&SaveDialog1, platform::TFileDialog::Save, "SaveDialog1"}}) {
        *dialog = new platform::TFileDialog(kind, this);
        (*dialog)->setObjectName(QLatin1String(name));
        (*dialog)->Filter = QString::fromLatin1(kBitmapFilter);
        (*dialog)->DefaultExt = QStringLiteral("bmp");
    }
}

void TF_DRAW::buildMenus() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MM_MENU"));
    auto menu = [&](const char* name, const QString& caption) {
        QMenu* m = bar->addMenu(caption);
        m->setObjectName(QLatin1String(name));
        m->menuAction()->setObjectName(QLatin1String(name) + QStringLiteral("Item"));
        return m;
    };
    auto entry = [&](QMenu* m, const char* name, const QString& caption,
                     const QKeySequence& shortcut, void (TF_DRAW::*handler)()) {
        QAction* action = m->addAction(caption);
        action->setObjectName(QLatin1String(name));
        action->setShortcut(shortcut);
        // Shortcuts work while the menus are closed.
        addAction(action);
        if (handler)
            connect(action, &QAction::triggered, this, [this, handler] {
                platform::runGuarded([this, handler] { (this->*handler)(); });
            });
        return action;
    };
    const QKeySequence none;
    const auto ctrl = [](Qt::Key key) { return QKeySequence(Qt::CTRL | key); };

    QMenu* m = menu("File1", QStringLiteral("&Arquivo"));
    entry(m, "Open1", QStringLiteral("&Abrir"), none, &TF_DRAW::Open1Click);
    entry(m, "Save1", QStringLiteral("&Salvar"), none, &TF_DRAW::Save1Click);
    entry(m, "Saveas1", QStringLiteral("Salvar &Como..."), none, &TF_DRAW::Saveas1Click);
    // Printing from the editor does nothing: the picture is printed from its document.
    entry(m, "Print1", QStringLiteral("&Imprimir"), none, nullptr);
    m->addSeparator()->setObjectName(QStringLiteral("N1"));
    entry(m, "Exit1", QStringLiteral("Sai&r"), none, &TF_DRAW::Exit1Click);

    m = menu("Edit1", QStringLiteral("&Editar"));
    entry(m, "Undo1", QStringLiteral("&Desfazer"), ctrl(Qt::Key_Z), &TF_DRAW::UndoButtonClick);
    entry(m, "Cut1", QStringLiteral("&Recortar"), ctrl(Qt::Key_X), &TF_DRAW::Cut1Click);
    entry(m, "Copy1", QStringLiteral("&Copiar"), ctrl(Qt::Key_C), &TF_DRAW::Copy1Click);
    entry(m, "Paste1", QStringLiteral("C&olar"), ctrl(Qt::Key_V), &TF_DRAW::Paste1Click);
}

QToolButton* TF_DRAW::addButton(const char* name, const QString& hint, const QIcon& icon,
                                void (TF_DRAW::*handler)()) {
    auto* button = new QToolButton(Panel1);
    button->setObjectName(QLatin1String(name));
    translation::setPublishedText(button, QStringLiteral("Hint"), hint);
    button->setFixedSize(32, 32);
    button->setIconSize(QSize(22, 22));
    button->setIcon(icon);
    button->setAutoRaise(true);
    Panel1->layout()->addWidget(button);
    connect(button, &QToolButton::clicked, this,
            [this, handler] { platform::runGuarded([this, handler] { (this->*handler)(); }); });
    return button;
}

void TF_DRAW::buildToolPanel() {
    auto* row = new QHBoxLayout(Panel1);
    row->setContentsMargins(6, 4, 6, 4);
    row->setSpacing(4);

    Shape1 = new QFrame(Panel1);
    Shape1->setObjectName(QStringLiteral("Shape1"));
    Shape1->setFixedSize(26, 26);
    Shape1->setFrameShape(QFrame::Box);
    Shape1->setLineWidth(1);
    Shape1->setAutoFillBackground(true);
    translation::setPublishedText(Shape1, QStringLiteral("Hint"), QStringLiteral("Cor Ativa"));
    row->addWidget(Shape1);

    UndoButton = addButton("UndoButton", QStringLiteral("Desfazer"), glyph(Glyph::Undo),
                           &TF_DRAW::UndoButtonClick);
    SpeedButton1 = addButton("SpeedButton1", QStringLiteral("Draw"), glyph(Glyph::Pen),
                             &TF_DRAW::DrawButtonClick);
    GotasButton = addButton("GotasButton", QStringLiteral("Dropper"), glyph(Glyph::Dropper),
                            &TF_DRAW::GotasButtonClick);
    toolGroup_ = new QButtonGroup(this);
    toolGroup_->setExclusive(true);
    for (QToolButton* tool : {SpeedButton1, GotasButton}) {
        tool->setCheckable(true);
        toolGroup_->addButton(tool);
    }
    SpeedButton1->setChecked(true);

    ColorComboBoxEx1 = new TColorComboBoxEx(Panel1);
    ColorComboBoxEx1->setObjectName(QStringLiteral("ColorComboBoxEx1"));
    ColorComboBoxEx1->setFixedWidth(50);
    translation::setPublishedText(ColorComboBoxEx1, QStringLiteral("Hint"),
                                  QStringLiteral("Cores Opcionais"));
    connect(ColorComboBoxEx1, &TColorComboBoxEx::OnChange, this,
            [this] { ColorComboBoxEx1Change(); });
    row->addWidget(ColorComboBoxEx1);

    LineWidthComboBox1 = new TLineWidthComboBox(Panel1);
    LineWidthComboBox1->setObjectName(QStringLiteral("LineWidthComboBox1"));
    LineWidthComboBox1->setFixedWidth(65);
    LineWidthComboBox1->SetMaxLineWidth(30);
    translation::setPublishedText(LineWidthComboBox1, QStringLiteral("Hint"),
                                  QStringLiteral("Largura da Linha"));
    connect(LineWidthComboBox1, &TLineWidthComboBox::OnChange, this,
            [this] { LineWidthComboBox1Change(); });
    row->addWidget(LineWidthComboBox1);

    VelvoButton1 = addButton("VelvoButton1", QStringLiteral("Retornar Retoque ao Velvo"),
                             glyph(Glyph::Return), &TF_DRAW::VelvoButton1Click);
    row->addStretch(1);
}

void TF_DRAW::buildStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    StatusPanel0 = new QLabel(bar);
    StatusPanel0->setObjectName(QStringLiteral("StatusPanel0"));
    StatusPanel0->setFixedWidth(150);
    bar->addWidget(StatusPanel0);
    // Wide enough for its hint: the panel takes the rest of the bar and never less than its
    // text needs.
    StatusPanel1 = new QLabel(bar);
    StatusPanel1->setObjectName(QStringLiteral("StatusPanel1"));
    bar->addWidget(StatusPanel1, 1);
}

void TF_DRAW::FormCreate() {
    L1->SetLanguageFile(main_->ProgramFolder + QStringLiteral("language.lng"));
    L1->Translate();
    // Image1 is blank, so the active colour starts white (through the picker's change event).
    ColorComboBoxEx1->SetColorValue(Image1->Image().pixelColor(0, 0));
    LineWidthComboBox1->SetLineWidth(20);
    StatusPanel1->setText(QStringLiteral("Click the right mouse button to pick a color!"));
    StatusPanel1->setMinimumWidth(StatusPanel1->sizeHint().width());
    Image->setCursor(platform::Cursors::instance().cursor(platform::crPen));
    DropperMode = false;
}

bool TF_DRAW::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate)
        platform::runGuarded([this] { FormActivate(); });
    // Hints are tool tips only: shown in the status bar they would hide the pointer position
    // and the picking hint, and stay there after the pointer has left the control.
    if (event->type() == QEvent::StatusTip)
        return true;
    return QMainWindow::event(event);
}

void TF_DRAW::FormActivate() {
    pen_.setColor(ActiveColor());
    pen_.setWidth(LineWidthComboBox1->LineWidth());
}

void TF_DRAW::SetPicture(const QImage& picture) {
    Drawing = false;
    Image->SetImage(picture);
    // Undo before the first press of this retouch gives this picture back, not the last one.
    Image1->SetImage(picture);
    ScrollBox1->ensureVisible(0, 0);
}

void TF_DRAW::ShowModal() {
    show();
    raise();
    activateWindow();
    // Without a window manager no activation may arrive to set the pen.
    FormActivate();
    if (WhileShown) {
        WhileShown();
        return;
    }
    if (!isVisible())
        return;
    QEventLoop loop;
    modalLoop_ = &loop;
    loop.exec(QEventLoop::DialogExec);
}

void TF_DRAW::showEvent(QShowEvent* event) {
    // Centred at the size the scaling gave it, not at the design size.
    if (!event->spontaneous())
        TFormAutoSize::CentreOnScreen(this);
    QMainWindow::showEvent(event);
}

void TF_DRAW::hideEvent(QHideEvent* event) {
    Drawing = false;
    if (modalLoop_)
        modalLoop_->quit();
    QMainWindow::hideEvent(event);
}

void TF_DRAW::FormKeyDown(int key) {
    if (key == Qt::Key_Escape)
        close();
}

void TF_DRAW::keyPressEvent(QKeyEvent* event) {
    FormKeyDown(event->key());
    QMainWindow::keyPressEvent(event);
}

bool TF_DRAW::eventFilter(QObject* watched, QEvent* event) {
    if (watched != Image)
        return QMainWindow::eventFilter(watched, event);
    const auto at = [this](QMouseEvent* e) {
        const QPointF p = Image->ClientToImage(e->position().toPoint());
        return QPoint(qFloor(p.x()), qFloor(p.y()));
    };
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    // A quick second press is a press too, or fast dabs would be lost.
    case QEvent::MouseButtonDblClick: {
        auto* e = static_cast<QMouseEvent*>(event);
        const QPoint p = at(e);
        ImageMouseDown(e->button(), p.x(), p.y());
        return true;
    }
    case QEvent::MouseMove: {
        const QPoint p = at(static_cast<QMouseEvent*>(event));
        ImageMouseMove(p.x(), p.y());
        return true;
    }
    case QEvent::MouseButtonRelease:
        ImageMouseUp();
        return true;
    default:
        return QMainWindow::eventFilter(watched, event);
    }
}

QColor TF_DRAW::ActiveColor() const {
    return Shape1->palette().color(QPalette::Window);
}

void TF_DRAW::setActiveColor(const QColor& color) {
    pen_.setColor(color);
    QPalette palette = Shape1->palette();
    palette.setColor(QPalette::Window, color);
    Shape1->setPalette(palette);
}

QAction* TF_DRAW::Action(const QString& name) const {
    return findChild<QAction*>(name);
}

QMenu* TF_DRAW::Menu(const QString& name) const {
    return findChild<QMenu*>(name);
}

} // namespace velvo::retouch
