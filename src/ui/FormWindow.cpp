#include "FormWindow.h"

#include <QCloseEvent>
#include <QMenuBar>
#include <QScreen>
#include <QShortcut>
#include <QVBoxLayout>

#include "Rgb.h"

FormWindow::FormWindow(int number, const QString& title, QSize clientSize, EventSink sink,
                       QWidget* parent)
    : QWidget(parent), m_number(number), m_sink(std::move(sink)), m_client(new QWidget(this))
{
    Qt::WindowFlags flags = Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                            Qt::CustomizeWindowHint;
    flags |= parent ? Qt::Dialog : (Qt::Window | Qt::WindowMinimizeButtonHint);
    setWindowFlags(flags);
    setWindowTitle(title);

    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(colour::kWindow.r, colour::kWindow.g, colour::kWindow.b));
    setPalette(p);
    setAutoFillBackground(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    m_client->setFixedSize(clientSize);
    layout->addWidget(m_client);
}

QMenuBar* FormWindow::addMenuBar()
{
    auto* bar = new QMenuBar(this);
    static_cast<QVBoxLayout*>(layout())->setMenuBar(bar);
    return bar;
}

void FormWindow::addReturnShortcut(int menuNumber)
{
    for (const int key : {int(Qt::Key_Return), int(Qt::Key_Enter)}) {
        auto* s = new QShortcut(QKeySequence(key), this);
        s->setContext(Qt::WindowShortcut);
        connect(s, &QShortcut::activated, this,
                [this, menuNumber] { m_sink({UiEvent::Kind::Menu, m_number, menuNumber}); });
    }
}

void FormWindow::centre()
{
    adjustSize();
    QRect area;
    // Before it is first shown a window knows nothing of its frame: it will have one like its
    // parent's, and the frame, title bar included, is what is centred.
    QSize frame = frameGeometry().size() - size();
    if (QWidget* p = parentWidget()) {
        area = p->window()->frameGeometry();
        if (!isVisible()) frame = area.size() - p->window()->size();
    } else if (QScreen* s = screen()) {
        area = s->availableGeometry();
    }
    const QSize outer = size() + frame.expandedTo(QSize(0, 0));
    if (area.isValid()) move(area.center() - QRect(QPoint(0, 0), outer).center());
}

void FormWindow::closeEvent(QCloseEvent* event)
{
    event->ignore();
    m_sink({UiEvent::Kind::Close, m_number, 0});
}
