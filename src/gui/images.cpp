// Each picture is drawn on a 16 x 16 grid; the icon engine scales the painter to the size asked.
#include "images.h"

#include <QApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QStyle>
#include <QStyleOption>
#include <array>
#include <functional>

namespace velmora::gui {
namespace {

using TDrawing = std::function<void(QPainter&)>;

class TPaintedIconEngine : public QIconEngine {
  public:
    explicit TPaintedIconEngine(TDrawing drawing) : drawing_(std::move(drawing)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode, QIcon::State) override {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setRenderHint(QPainter::TextAntialiasing);
        painter->translate(rect.topLeft());
        painter->scale(rect.width() / 16.0, rect.height() / 16.0);
        drawing_(*painter);
        painter->restore();
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return scaledPixmap(size, mode, state, 1.0);
    }

    // Size is in device pixels already; scale only labels the result for high-DPI painting.
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override {
        QPixmap pixmap(size);
        pixmap.fill(Qt::transparent);
        {
            QPainter painter(&pixmap);
            paint(&painter, QRect(QPoint(0, 0), pixmap.size()), mode, state);
        }
        pixmap.setDevicePixelRatio(scale);
        if (mode == QIcon::Disabled && qApp) {
            QStyleOption option;
            return qApp->style()->generatedIconPixmap(QIcon::Disabled, pixmap, &option);
        }
        return pixmap;
    }

    QIconEngine* clone() const override { return new TPaintedIconEngine(drawing_); }

  private:
    TDrawing drawing_;
};

QIcon Painted(TDrawing drawing) {
    return QIcon(new TPaintedIconEngine(std::move(drawing)));
}

// A rounded badge with a letter: the header kinds of the tree.
TDrawing Badge(QColor fill, const QString& letters) {
    return [fill, letters](QPainter& p) {
        p.setPen(QPen(fill.darker(160), 0.8));
        p.setBrush(fill);
        p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 3, 3);
        QFont font = p.font();
        font.setBold(true);
        font.setPixelSize(letters.size() > 1 ? 7 : 10);
        p.setFont(font);
        p.setPen(Qt::white);
        p.drawText(QRectF(1.5, 1.5, 13, 13), Qt::AlignCenter, letters);
    };
}

void DrawPlainLine(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(110, 110, 110));
    p.drawEllipse(QPointF(8, 8), 2.2, 2.2);
}

void DrawClock(QPainter& p) {
    p.setPen(QPen(QColor(30, 70, 140), 1.2));
    p.setBrush(QColor(235, 242, 255));
    p.drawEllipse(QPointF(8, 8), 6.2, 6.2);
    p.setPen(QPen(QColor(30, 70, 140), 1.4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(8, 8), QPointF(8, 4));
    p.drawLine(QPointF(8, 8), QPointF(11, 9.5));
}

void DrawGop(QPainter& p) {
    // A strip of film: the pictures of one group.
    p.setPen(QPen(QColor(120, 70, 0), 0.8));
    p.setBrush(QColor(240, 160, 40));
    p.drawRoundedRect(QRectF(0.5, 3, 15, 10), 1.5, 1.5);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 240, 200));
    for (int i = 0; i < 3; ++i) {
        p.drawRect(QRectF(2 + i * 4.5, 5, 3.5, 6));
    }
}

void DrawUserData(QPainter& p) {
    p.setPen(QPen(QColor(90, 60, 10), 0.8));
    p.setBrush(QColor(250, 230, 150));
    QPainterPath page;
    page.moveTo(3, 1.5);
    page.lineTo(10, 1.5);
    page.lineTo(13, 4.5);
    page.lineTo(13, 14.5);
    page.lineTo(3, 14.5);
    page.closeSubpath();
    p.drawPath(page);
    p.setPen(QPen(QColor(90, 60, 10), 0.9));
    for (int i = 0; i < 3; ++i) {
        p.drawLine(QPointF(5, 7 + i * 2.5), QPointF(11, 7 + i * 2.5));
    }
}

void DrawWarning(QPainter& p) {
    QPainterPath triangle;
    triangle.moveTo(8, 1);
    triangle.lineTo(15.2, 14.5);
    triangle.lineTo(0.8, 14.5);
    triangle.closeSubpath();
    p.setPen(QPen(QColor(150, 110, 0), 0.9, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(QColor(255, 210, 0));
    p.drawPath(triangle);
    p.setPen(QPen(Qt::black, 1.8, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(8, 5.5), QPointF(8, 9.8));
    p.drawPoint(QPointF(8, 12.5));
}

void DrawInformation(QPainter& p) {
    // A speech bubble with a blue letter i.
    QPainterPath bubble;
    bubble.addRoundedRect(QRectF(0.8, 0.8, 14.4, 11.5), 4, 4);
    QPainterPath tail;
    tail.moveTo(4, 11);
    tail.lineTo(3.5, 15.2);
    tail.lineTo(8, 11);
    tail.closeSubpath();
    p.setPen(QPen(QColor(40, 80, 160), 0.9));
    p.setBrush(Qt::white);
    p.drawPath(bubble.united(tail));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(20, 80, 200));
    p.drawEllipse(QPointF(8, 3.8), 1.2, 1.2);
    p.drawRoundedRect(QRectF(6.9, 5.8, 2.2, 5.2), 0.6, 0.6);
}

void DrawProgram(QPainter& p) {
    p.setPen(QPen(QColor(20, 50, 110), 0.8));
    p.setBrush(QColor(40, 90, 180));
    p.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 3, 3);
    p.setPen(QPen(Qt::white, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF({QPointF(3.5, 4), QPointF(8, 12.5), QPointF(12.5, 4)}));
}

}  // namespace

QIcon TreeImage(int Index) {
    static const std::array<QIcon, treeimage::Count> images = {
        Painted(DrawPlainLine),
        Painted(DrawClock),
        Painted(Badge(QColor(30, 90, 190), QStringLiteral("S"))),
        Painted(Badge(QColor(20, 140, 120), QStringLiteral("E"))),
        Painted(DrawGop),
        Painted(Badge(QColor(200, 30, 30), QStringLiteral("I"))),
        Painted(Badge(QColor(40, 150, 40), QStringLiteral("P"))),
        Painted(Badge(QColor(60, 90, 220), QStringLiteral("B"))),
        Painted(Badge(QColor(130, 70, 170), QStringLiteral("C"))),
        Painted(DrawUserData),
        Painted(Badge(QColor(100, 100, 100), QStringLiteral("ID"))),
    };
    if (Index < 0 || Index >= treeimage::Count) {
        return QIcon();
    }
    return images[static_cast<size_t>(Index)];
}

QIcon LogImage(int Index) {
    static const QIcon warning = Painted(DrawWarning);
    static const QIcon information = Painted(DrawInformation);
    switch (Index) {
        case logimage::Warning:
            return warning;
        case logimage::Information:
            return information;
        default:
            return QIcon();
    }
}

QIcon ProgramIcon() {
    static const QIcon icon = Painted(DrawProgram);
    return icon;
}

}  // namespace velmora::gui
