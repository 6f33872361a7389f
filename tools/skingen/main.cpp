// Draws the program's skin: title strips, exit and minimise images, button caps,
// window backgrounds, message-box border pieces, the wait stripe and the status
// dots. Usage: skingen <output folder>. The pictures are committed under
// data/skin; run this again after changing the look.
#include <QColor>
#include <QDir>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QString>
#include <cstdio>
#include <functional>

namespace {

// A dark, calm palette: warm charcoal window colour, one quiet blue accent.
const QColor kDark0(31, 26, 23);
const QColor kDark1(46, 40, 36);
const QColor kDark2(64, 57, 52);
const QColor kAccent(26, 108, 184);
const QColor kAccentLight(56, 155, 211);
const QColor kBodyTop(248, 249, 251);
const QColor kBodyBottom(233, 236, 241);

QString g_out;
int g_written = 0;

bool Save(const QImage& img, const QString& name)
{
    const QString path = g_out + "/" + name + ".png";
    if (!img.save(path, "PNG")) {
        std::fprintf(stderr, "skingen: cannot write %s\n", qPrintable(path));
        return false;
    }
    ++g_written;
    return true;
}

QImage Blank(int w, int h)
{
    QImage img(w, h, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    return img;
}

void VerticalGradient(QPainter& p, const QRect& r, const QColor& top, const QColor& bottom)
{
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.fillRect(r, g);
}

// The dark band that carries a title, with the accent line at its foot.
void TitleBand(QPainter& p, int width, int height)
{
    VerticalGradient(p, QRect(0, 0, width, height - 1), kDark2, kDark0);
    p.fillRect(QRect(0, height - 1, width, 1), kAccent);
}

void TitleStrip()
{
    QImage img = Blank(32, 13);
    QPainter p(&img);
    TitleBand(p, 32, 13);
    p.end();
    Save(img, "title_strip");
    QImage plain = Blank(32, 17);
    QPainter q(&plain);
    TitleBand(q, 32, 17);
    q.end();
    Save(plain, "title_plain");
}

// 11 x 11 system images: a glyph over a dark square.
void SystemImage(const QString& name, const std::function<void(QPainter&)>& glyph, const QColor& back,
                 const QColor& fore)
{
    QImage img = Blank(11, 11);
    QPainter p(&img);
    p.fillRect(img.rect(), back);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(fore, 1.4, Qt::SolidLine, Qt::RoundCap));
    glyph(p);
    p.end();
    Save(img, name);
}

void SystemImages()
{
    auto cross = [](QPainter& p) {
        p.drawLine(QPointF(3.2, 3.2), QPointF(7.8, 7.8));
        p.drawLine(QPointF(7.8, 3.2), QPointF(3.2, 7.8));
    };
    auto bar = [](QPainter& p) { p.drawLine(QPointF(3.0, 7.5), QPointF(8.0, 7.5)); };
    SystemImage("exit_normal", cross, kDark1, QColor(230, 230, 230));
    SystemImage("exit_down", cross, kAccent, Qt::white);
    SystemImage("exit_disabled", cross, kDark1, QColor(110, 110, 110));
    SystemImage("min_normal", bar, kDark1, QColor(230, 230, 230));
    SystemImage("min_down", bar, kAccent, Qt::white);
    SystemImage("min_disabled", bar, kDark1, QColor(110, 110, 110));
}

// A 24 x 20 rounded cap cut into an 8-px left cap, an 8-px centre (stretched
// by the button) and an 8-px right cap.
void ButtonCaps(const QString& suffix, const QColor& top, const QColor& bottom, const QColor& edge,
                const QColor& shine)
{
    QImage img = Blank(24, 20);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    QPainterPath path;
    path.addRoundedRect(QRectF(0.5, 0.5, 23, 19), 3.5, 3.5);
    QLinearGradient g(0, 0, 0, 20);
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.fillPath(path, g);
    p.setPen(QPen(edge, 1));
    p.drawPath(path);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(shine);
    p.drawLine(3, 1, 20, 1);
    p.end();
    Save(img.copy(0, 0, 8, 20), "btn_left" + suffix);
    Save(img.copy(8, 0, 8, 20), "btn_center" + suffix);
    Save(img.copy(16, 0, 8, 20), "btn_right" + suffix);
}

// A dialog background: title band, light body, thin dark border.
QImage DialogBack(int w, int h)
{
    QImage img = Blank(w, h);
    QPainter p(&img);
    VerticalGradient(p, QRect(0, 0, w, h), kBodyTop, kBodyBottom);
    TitleBand(p, w, 17);
    p.setPen(kDark0);
    p.drawRect(0, 0, w - 1, h - 1);
    p.end();
    return img;
}

void Backgrounds()
{
    struct Size {
        const char* name;
        int w, h;
    };
    // The client areas of the dialogs.
    const Size dialogs[] = {{"form_back", 588, 272},  {"about_back", 347, 244},  {"pin_back", 302, 106},
                            {"zoom_back", 274, 253},  {"helper_back", 407, 289}, {"trouble_back", 442, 92}};
    for (const Size& s : dialogs)
        Save(DialogBack(s.w, s.h), s.name);

    // Pages of the settings dialog, the SMS window and the helper window.
    QImage page = Blank(407, 280);
    QPainter pp(&page);
    VerticalGradient(pp, page.rect(), kBodyTop, kBodyBottom);
    pp.end();
    Save(page, "page_back");

    // The main window: dark, a title row and two quiet separators.
    QImage main = Blank(519, 145);
    QPainter mp(&main);
    VerticalGradient(mp, main.rect(), QColor(42, 36, 32), QColor(24, 20, 18));
    TitleBand(mp, 519, 18);
    mp.fillRect(QRect(6, 100, 507, 1), kDark2);
    mp.fillRect(QRect(6, 124, 507, 1), kDark2);
    mp.setPen(kDark0);
    mp.drawRect(0, 0, 518, 144);
    mp.end();
    Save(main, "main_back");

    // The column of page buttons of the settings dialog and the SMS window.
    QImage left = Blank(112, 293);
    QPainter lp(&left);
    VerticalGradient(lp, left.rect(), QColor(42, 36, 32), QColor(24, 20, 18));
    lp.fillRect(QRect(111, 0, 1, 293), kAccent);
    lp.end();
    Save(left, "settings_left");
}

// Message-box border: band corners and edge on top, 2-px frame elsewhere.
void MessageBoxBorder()
{
    QImage band = Blank(24, 17);
    QPainter bp(&band);
    TitleBand(bp, 24, 17);
    bp.fillRect(QRect(0, 0, 1, 17), kDark0);
    bp.fillRect(QRect(23, 0, 1, 17), kDark0);
    bp.end();
    Save(band.copy(0, 0, 8, 17), "msg_top_left");
    Save(band.copy(8, 0, 8, 17), "msg_top");
    Save(band.copy(16, 0, 8, 17), "msg_top_right");
    QImage edge = Blank(2, 8);
    edge.fill(kDark2);
    QPainter ep(&edge);
    ep.fillRect(QRect(0, 0, 1, 8), kDark0);
    ep.end();
    Save(edge, "msg_left");
    Save(edge.mirrored(true, false), "msg_right");
    QImage foot = Blank(8, 2);
    foot.fill(kDark2);
    QPainter fp(&foot);
    fp.fillRect(QRect(0, 1, 8, 1), kDark0);
    fp.end();
    Save(foot, "msg_bottom");
    Save(foot, "msg_bottom_left");
    Save(foot, "msg_bottom_right");
}

// The running stripe of the wait panels: repeats every 41 pixels, so drawing it
// at x offsets -41 to -1 in turn makes it run.
void WaitStripe()
{
    QImage img = Blank(511, 14);
    for (int y = 0; y < 14; ++y)
        for (int x = 0; x < 511; ++x)
            img.setPixelColor(x, y, ((x + y) % 41) < 20 ? kAccent : kAccentLight);
    Save(img, "wait_stripe");
}

void StatusDots()
{
    auto dot = [](const QString& name, const QColor& c) {
        QImage img = Blank(16, 16);
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing, true);
        QRadialGradient g(QPointF(6.5, 6.0), 8);
        g.setColorAt(0, c.lighter(150));
        g.setColorAt(1, c);
        p.setBrush(g);
        p.setPen(QPen(c.darker(160), 1));
        p.drawEllipse(QRectF(2.5, 2.5, 11, 11));
        p.end();
        Save(img, name);
    };
    dot("state_on", QColor(76, 175, 80));
    dot("state_off", QColor(120, 116, 112));
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: skingen <output folder>\n");
        return 2;
    }
    g_out = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(g_out)) {
        std::fprintf(stderr, "skingen: cannot create %s\n", argv[1]);
        return 1;
    }
    TitleStrip();
    SystemImages();
    ButtonCaps("", QColor(78, 90, 106), QColor(44, 52, 63), QColor(22, 26, 31), QColor(104, 116, 132));
    ButtonCaps("_hover", QColor(52, 128, 196), QColor(26, 88, 150), QColor(16, 50, 86), QColor(96, 164, 222));
    ButtonCaps("_down", QColor(20, 66, 112), QColor(38, 100, 160), QColor(12, 36, 62), QColor(20, 66, 112));
    Backgrounds();
    MessageBoxBorder();
    WaitStripe();
    StatusDots();
    std::printf("skingen: %d pictures written to %s\n", g_written, argv[1]);
    return 0;
}
