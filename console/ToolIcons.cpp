#include "ToolIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QStyleOptionToolButton>
#include <QStylePainter>

#include <cmath>
#include <numbers>

namespace kvir {

namespace {

// All pictures are drawn on a 48 x 48 grid and scaled to the requested size.
constexpr double kGrid = 48.0;

const QColor kOutline(40, 40, 48);
const QColor kFolderFill(245, 196, 66);
const QColor kFolderBack(222, 160, 40);
const QColor kPaper(250, 250, 250);
const QColor kAccent(200, 40, 40);
const QColor kBlue(40, 90, 170);
const QColor kGreen(30, 140, 60);

void DrawFolder(QPainter& p, QRectF r, const QColor& fill) {
    QPainterPath back;
    back.moveTo(r.left(), r.top() + 4);
    back.lineTo(r.left() + r.width() * 0.38, r.top() + 4);
    back.lineTo(r.left() + r.width() * 0.45, r.top() + 8);
    back.lineTo(r.right(), r.top() + 8);
    back.lineTo(r.right(), r.bottom());
    back.lineTo(r.left(), r.bottom());
    back.closeSubpath();
    p.setBrush(kFolderBack);
    p.drawPath(back);
    p.setBrush(fill);
    p.drawRect(QRectF(r.left(), r.top() + 12, r.width(), r.height() - 12));
}

void DrawGear(QPainter& p, QPointF c, double outer, double inner, const QColor& fill) {
    constexpr int kTeeth = 8;
    QPainterPath gear;
    for (int i = 0; i < kTeeth * 2; ++i) {
        const double a0 = std::numbers::pi * i / kTeeth;
        const double a1 = std::numbers::pi * (i + 1) / kTeeth;
        const double r = (i % 2 == 0) ? outer : inner;
        const QPointF p0(c.x() + r * std::cos(a0), c.y() + r * std::sin(a0));
        const QPointF p1(c.x() + r * std::cos(a1), c.y() + r * std::sin(a1));
        if (i == 0) {
            gear.moveTo(p0);
        } else {
            gear.lineTo(p0);
        }
        gear.lineTo(p1);
    }
    gear.closeSubpath();
    gear.addEllipse(c, inner * 0.45, inner * 0.45);
    gear.setFillRule(Qt::OddEvenFill);
    p.setBrush(fill);
    p.drawPath(gear);
}

void DrawCalendar(QPainter& p) {
    p.setBrush(kPaper);
    p.drawRoundedRect(QRectF(6, 8, 36, 34), 3, 3);
    p.setBrush(kAccent);
    p.drawRect(QRectF(6, 8, 36, 9));
    p.setBrush(kOutline);
    p.drawRect(QRectF(13, 4, 3, 8));
    p.drawRect(QRectF(32, 4, 3, 8));
    p.setPen(Qt::NoPen);
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 4; ++col) {
            p.setBrush(row == 1 && col == 2 ? kAccent : QColor(150, 150, 160));
            p.drawRect(QRectF(10 + col * 8, 21 + row * 6.5, 5, 4));
        }
    }
}

void DrawPlug(QPainter& p) {
    p.setBrush(kOutline);
    p.drawRect(QRectF(15, 6, 4, 11));
    p.drawRect(QRectF(29, 6, 4, 11));
    p.setBrush(QColor(70, 70, 80));
    QPainterPath body;
    body.moveTo(10, 16);
    body.lineTo(38, 16);
    body.lineTo(38, 26);
    body.quadTo(38, 34, 30, 34);
    body.lineTo(18, 34);
    body.quadTo(10, 34, 10, 26);
    body.closeSubpath();
    p.drawPath(body);
    QPen cable(kOutline, 4, Qt::SolidLine, Qt::RoundCap);
    p.setPen(cable);
    p.setBrush(Qt::NoBrush);
    QPainterPath wire;
    wire.moveTo(24, 34);
    wire.cubicTo(24, 42, 36, 40, 40, 45);
    p.drawPath(wire);
    p.setPen(Qt::NoPen);
    p.setBrush(kGreen);
    p.drawEllipse(QPointF(24, 24), 3, 3);
}

void DrawExit(QPainter& p) {
    p.setBrush(QColor(150, 100, 60));
    p.drawRect(QRectF(8, 5, 22, 38));
    p.setBrush(QColor(95, 60, 35));
    QPolygonF door{{8, 5}, {22, 9}, {22, 47}, {8, 43}};
    p.drawPolygon(door);
    p.setBrush(kOutline);
    p.drawEllipse(QPointF(19, 27), 1.6, 1.6);
    p.setBrush(kAccent);
    QPolygonF arrow{{26, 23}, {36, 23}, {36, 17}, {46, 27}, {36, 37}, {36, 31}, {26, 31}};
    p.drawPolygon(arrow);
}

void DrawSettings(QPainter& p) {
    DrawGear(p, QPointF(20, 20), 15, 11, QColor(120, 130, 150));
    DrawGear(p, QPointF(35, 35), 10, 7.5, QColor(170, 175, 190));
}

void DrawFloppy(QPainter& p) {
    p.setBrush(kBlue);
    QPolygonF body{{6, 6}, {38, 6}, {42, 10}, {42, 42}, {6, 42}};
    p.drawPolygon(body);
    p.setBrush(kPaper);
    p.drawRect(QRectF(12, 6, 22, 13));
    p.setBrush(kOutline);
    p.drawRect(QRectF(26, 8, 5, 9));
    p.setBrush(kPaper);
    p.drawRect(QRectF(11, 26, 26, 16));
}

void DrawPrinter(QPainter& p) {
    p.setBrush(kPaper);
    p.drawRect(QRectF(14, 5, 20, 14));
    p.setBrush(QColor(120, 125, 135));
    p.drawRoundedRect(QRectF(5, 17, 38, 18), 3, 3);
    p.setBrush(kPaper);
    p.drawRect(QRectF(13, 29, 22, 15));
    p.setPen(QPen(QColor(120, 120, 120), 1.5));
    p.drawLine(QLineF(17, 35, 31, 35));
    p.drawLine(QLineF(17, 39, 28, 39));
    p.setPen(Qt::NoPen);
    p.setBrush(kGreen);
    p.drawEllipse(QPointF(37, 23), 2, 2);
}

void DrawChart(QPainter& p) {
    p.setBrush(kPaper);
    p.drawRoundedRect(QRectF(4, 6, 40, 36), 3, 3);
    p.setPen(QPen(kOutline, 2, Qt::SolidLine, Qt::SquareCap));
    p.drawLine(QLineF(10, 11, 10, 36));
    p.drawLine(QLineF(10, 36, 39, 36));
    const QPointF points[] = {{13, 30}, {19, 21}, {25, 26}, {31, 14}, {37, 19}};
    p.setPen(QPen(kBlue, 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(points, 5);
    p.setPen(Qt::NoPen);
    p.setBrush(kAccent);
    for (const QPointF& point : points) {
        p.drawEllipse(point, 2.4, 2.4);
    }
}

// A filing cabinet of three drawers.
void DrawCabinet(QPainter& p) {
    p.setBrush(QColor(150, 155, 165));
    p.drawRoundedRect(QRectF(9, 4, 30, 40), 2, 2);
    for (int i = 0; i < 3; ++i) {
        const double top = 7 + i * 12.5;
        p.setBrush(QColor(205, 208, 215));
        p.drawRect(QRectF(12, top, 24, 10.5));
        p.setBrush(kOutline);
        p.drawRect(QRectF(20, top + 3.5, 8, 2.5));
    }
    p.setBrush(kFolderFill);
    p.drawRect(QRectF(15, 2, 8, 6));
}

}  // namespace

QIcon DrawToolIcon(ToolIcon kind, int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / kGrid, size / kGrid);
    p.setPen(QPen(kOutline, 1.5));
    switch (kind) {
        case ToolIcon::Folders:
            DrawFolder(p, QRectF(14, 4, 30, 24), kFolderBack.lighter(115));
            DrawFolder(p, QRectF(4, 18, 34, 26), kFolderFill);
            break;
        case ToolIcon::Calendar:
            DrawCalendar(p);
            break;
        case ToolIcon::FolderGear:
            DrawFolder(p, QRectF(3, 6, 38, 30), kFolderFill);
            p.setPen(QPen(kOutline, 1.2));
            DrawGear(p, QPointF(33, 34), 12, 9, QColor(120, 130, 150));
            break;
        case ToolIcon::Settings:
            DrawSettings(p);
            break;
        case ToolIcon::Connect:
            DrawPlug(p);
            break;
        case ToolIcon::Connected:
            DrawPlug(p);
            p.setPen(QPen(kOutline, 1.5));
            p.setBrush(kGreen);
            p.drawEllipse(QPointF(38, 38), 7, 7);
            break;
        case ToolIcon::Exit:
            DrawExit(p);
            break;
        case ToolIcon::SaveToFile:
            DrawFloppy(p);
            break;
        case ToolIcon::Print:
            DrawPrinter(p);
            break;
        case ToolIcon::Chart:
            DrawChart(p);
            break;
        case ToolIcon::Tick: {
            p.setPen(QPen(kGreen, 7, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            const QPointF tick[] = {{8, 26}, {19, 37}, {40, 11}};
            p.drawPolyline(tick, 3);
            break;
        }
        case ToolIcon::Archive:
            DrawCabinet(p);
            break;
    }
    p.end();
    return QIcon(pixmap);
}

PictureButton::PictureButton(QWidget* parent) : QToolButton(parent) {
    setToolButtonStyle(Qt::ToolButtonIconOnly);
    setFocusPolicy(Qt::TabFocus);
}

void PictureButton::setFlat(bool flat) {
    if (flat_ != flat) {
        flat_ = flat;
        update();
    }
}

void PictureButton::paintEvent(QPaintEvent* /*event*/) {
    QStylePainter painter(this);
    QStyleOptionToolButton option;
    initStyleOption(&option);
    if (flat_) {
        option.state |= QStyle::State_Sunken | QStyle::State_On;
        option.state &= ~QStyle::State_Raised;
    } else {
        option.state |= QStyle::State_Raised;
    }
    painter.drawComplexControl(QStyle::CC_ToolButton, option);
}

}  // namespace kvir
