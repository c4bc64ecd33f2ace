// Draws the window's resources: the logo "FD_CHECKOUT" (658 x 205, 24-bit
// BMP), the hand cursor MAO (32 x 32 monochrome, X bitmap and mask, hot spot
// (5, 0)) and the program icon (16 and 32 pixels). The generated files are
// kept beside this source; run regenerate.sh after changing it.
//
//   make_resources <output folder>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QTextStream>

#include <cstdio>

namespace {

// The hand, fingertip at (5, 0): '#' black, 'o' white, '.' transparent.
const char* const kHand[32] = {
    "....###.........................", "...#ooo#........................",
    "...#ooo#........................", "...#ooo#........................",
    "...#ooo#........................", "...#ooo####.....................",
    "...#ooo#ooo###..................", "...#ooo#ooo#oo##................",
    "...#ooo#ooo#ooo#................", "####ooo#ooo#ooo###..............",
    "#ooooooooooo#ooo#o#.............", "#oooooooooooooooooo#............",
    "#ooooooooooooooooo#.............", ".#oooooooooooooooo#.............",
    ".#ooooooooooooooooo#............", "..#oooooooooooooooo#............",
    "..#ooooooooooooooo#.............", "...#oooooooooooooo#.............",
    "...#ooooooooooooo#..............", "....#oooooooooooo#..............",
    "....#oooooooooooo#..............", "....##############..............",
    "................................", "................................",
    "................................", "................................",
    "................................", "................................",
    "................................", "................................",
    "................................", "................................",
};

// An X bitmap: bit set where `on` holds.
bool write_xbm(const QString& path, const char* name, bool (*on)(char)) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Text)) return false;
    QTextStream out(&f);
    out << "#define " << name << "_width 32\n#define " << name << "_height 32\n";
    out << "#define " << name << "_x_hot 5\n#define " << name << "_y_hot 0\n";
    out << "static unsigned char " << name << "_bits[] = {\n";
    for (int y = 0; y < 32; ++y) {
        out << "  ";
        for (int byte = 0; byte < 4; ++byte) {
            int v = 0;
            for (int bit = 0; bit < 8; ++bit)
                if (on(kHand[y][byte * 8 + bit])) v |= 1 << bit;
            out << QStringLiteral("0x%1").arg(v, 2, 16, QLatin1Char('0'));
            if (y < 31 || byte < 3) out << ",";
        }
        out << "\n";
    }
    out << "};\n";
    return true;
}

// A coupon slip with a torn lower edge, in a w x h box at (x, y).
void draw_slip(QPainter& p, QRectF box, const QColor& paper, const QColor& ink) {
    QPainterPath slip;
    slip.moveTo(box.left(), box.top());
    slip.lineTo(box.right(), box.top());
    const int teeth = 6;
    const qreal step = box.width() / teeth;
    slip.lineTo(box.right(), box.bottom() - step / 2);
    for (int i = teeth; i > 0; --i) {
        slip.lineTo(box.left() + (i - 0.5) * step, box.bottom());
        slip.lineTo(box.left() + (i - 1) * step, box.bottom() - step / 2);
    }
    slip.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(paper);
    p.drawPath(slip);
    p.setPen(QPen(ink, std::max(1.0, box.width() / 14)));
    for (int line = 0; line < 4; ++line) {
        const qreal y = box.top() + box.height() * (0.18 + 0.16 * line);
        const qreal right =
            line == 3 ? box.left() + box.width() * 0.55 : box.right() - box.width() * 0.18;
        p.drawLine(QPointF(box.left() + box.width() * 0.18, y), QPointF(right, y));
    }
}

QImage logo() {
    QImage img(658, 205, QImage::Format_RGB888);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 205);
    sky.setColorAt(0, QColor(22, 38, 120));
    sky.setColorAt(1, QColor(0, 0, 70));
    p.fillRect(img.rect(), sky);
    // a warm band, as the light over a restaurant counter
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(240, 170, 40));
    p.drawRect(0, 168, 658, 10);
    p.setBrush(QColor(200, 60, 40));
    p.drawRect(0, 178, 658, 5);
    // the emblem: a round plate carrying a coupon slip
    p.setBrush(QColor(250, 250, 255));
    p.drawEllipse(QPointF(100, 88), 70, 70);
    p.setBrush(QColor(202, 202, 255));
    p.drawEllipse(QPointF(100, 88), 56, 56);
    draw_slip(p, QRectF(74, 40, 52, 86), Qt::white, QColor(0, 0, 128));
    // the name
    QFont name(QStringLiteral("DejaVu Sans"), 10, QFont::Bold);
    name.setPixelSize(78);
    p.setFont(name);
    p.setPen(Qt::white);
    p.drawText(QRectF(190, 22, 460, 100), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Quiterval"));
    QFont line(QStringLiteral("DejaVu Sans"), 10);
    line.setPixelSize(24);
    p.setFont(line);
    p.setPen(QColor(255, 220, 140));
    p.drawText(QRectF(194, 116, 460, 40), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("cupom fiscal para restaurantes"));
    return img;
}

QImage icon(int size) {
    QImage img(size, size, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 128));
    p.drawRoundedRect(QRectF(0, 0, size, size), size / 6.0, size / 6.0);
    draw_slip(p, QRectF(size * 0.22, size * 0.12, size * 0.56, size * 0.78), Qt::white,
              QColor(0, 0, 128));
    p.setBrush(QColor(240, 170, 40));
    p.drawEllipse(QPointF(size * 0.74, size * 0.74), size * 0.2, size * 0.2);
    return img;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        (void)std::fprintf(stderr, "uso: make_resources <pasta>\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    bool ok = logo().save(dir + "/fd_checkout.bmp", "BMP");
    ok = write_xbm(dir + "/mao.xbm", "mao", [](char c) { return c == '#'; }) && ok;
    ok = write_xbm(dir + "/mao_mask.xbm", "mao_mask", [](char c) { return c != '.'; }) && ok;
    ok = icon(16).save(dir + "/icon16.png", "PNG") && ok;
    ok = icon(32).save(dir + "/icon32.png", "PNG") && ok;
    return ok ? 0 : 1;
}
