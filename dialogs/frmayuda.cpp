#include "dialogs/frmayuda.h"

#include "platform/messages.h"
#include "platform/places.h"
#include "platform/rtf.h"
#include "platform/twips.h"

#include <QPushButton>
#include <QTextEdit>

#include <algorithm>

namespace korim::dialogs {

using platform::twipsRect;
using platform::twipsSize;
using platform::twipsToPixels;

AyudaLayout ayudaLayout(int innerWidth, int innerHeight)
{
    AyudaLayout layout;
    const int width = std::max(innerWidth - 200, 0);
    const int height = std::max(innerHeight - 1000, 0);
    layout.text = QRect(100, 100, width, height);
    layout.rightMargin = std::max(width - 400, 0);
    layout.button = QPoint(5880, innerHeight - 700);
    return layout;
}

frmayuda::frmayuda(QWidget *owner)
    : QWidget(owner, Qt::Window)
{
    setObjectName(QStringLiteral("frmayuda"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Consideraciones para el llenado de la Solicitud"));
    resize(twipsSize(7500, 6060));

    // Declared in this order in the design, so the text comes first in the
    // keyboard order.
    RTUltima = new QTextEdit(this);
    RTUltima->setObjectName(QStringLiteral("RTUltima"));
    RTUltima->setGeometry(twipsRect(360, 120, 7080, 5715));
    RTUltima->setReadOnly(true);
    RTUltima->setUndoRedoEnabled(false);
    RTUltima->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    RTUltima->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    RTUltima->setLineWrapMode(QTextEdit::FixedPixelWidth);

    Command2 = new QPushButton(QStringLiteral("&Cerrar"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setGeometry(twipsRect(2850, 5625, 1215, 375));
    connect(Command2, &QPushButton::clicked, this, &frmayuda::Command2_Click);

    rtfText = new QTextEdit(this);
    rtfText->setObjectName(QStringLiteral("rtfText"));
    rtfText->setGeometry(twipsRect(120, 120, 7080, 5715));
    rtfText->hide();
}

QString frmayuda::documentPath()
{
    return platform::resolveFixedPath(QStringLiteral("C:\\KORIM\\considera.txt"));
}

void frmayuda::Form_Load()
{
    Form_Resize();
    QString error;
    if (!platform::loadRtfFile(documentPath(), RTUltima->document(), &error)) {
        RTUltima->clear();
        platform::showMessage(this, {error, {}, platform::MsgButtons::Ok, platform::MsgIcon::None});
    }
}

void frmayuda::Form_Resize()
{
    const QSize inner = size();
    const AyudaLayout layout = ayudaLayout(inner.width() * platform::kTwipsPerPixel,
                                           inner.height() * platform::kTwipsPerPixel);
    RTUltima->setGeometry(twipsRect(layout.text.x(), layout.text.y(), layout.text.width(), layout.text.height()));
    RTUltima->setLineWrapColumnOrWidth(twipsToPixels(layout.rightMargin));
    Command2->move(twipsToPixels(layout.button.x()), twipsToPixels(layout.button.y()));
}

void frmayuda::Command2_Click()
{
    close();
}

void frmayuda::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    Form_Resize();
}

frmayuda *showHelpViewer(QPointer<frmayuda> &slot, QWidget *owner)
{
    if (slot) {
        // Already open: to the front, as it was, without reading again.
        if (slot->isMinimized())
            slot->setWindowState(slot->windowState() & ~Qt::WindowMinimized);
        slot->raise();
        slot->activateWindow();
        return slot;
    }
    slot = new frmayuda(owner);
    slot->showMaximized();
    slot->Form_Load();
    return slot;
}

} // namespace korim::dialogs
