// Draws the program's skin: title strips, exit and minimise images, button caps,
// window backgrounds, message-box border pieces, the wait stripe and the status
// dots, the main window's button faces, traffic icons and antenna,
// the zoomed message's envelope. Usage: skingen <output folder>. The pictures are committed under
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
    // The right edge stands where the top-right corner starts, so it is as
    // wide as the corner, its frame on the outer side.
    QImage right = Blank(8, 8);
    QPainter rp(&right);
    rp.drawImage(6, 0, edge.mirrored(true, false));
    rp.end();
    Save(right, "msg_right");
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

// The about window's banner and the PIN dialog's SIM card.
void DialogPictures()
{
    QImage top = Blank(323, 50);
    QPainter tp(&top);
    tp.setRenderHint(QPainter::Antialiasing, true);
    QPainterPath band;
    band.addRoundedRect(QRectF(0.5, 0.5, 322, 49), 4, 4);
    QLinearGradient g(0, 0, 323, 0);
    g.setColorAt(0, kDark2);
    g.setColorAt(1, kDark0);
    tp.fillPath(band, g);
    // Three rising bars: the signal mark.
    for (int i = 0; i < 3; ++i)
        tp.fillRect(QRectF(16 + i * 9, 34 - i * 8, 6, 8 + i * 8), i == 2 ? kAccentLight : kAccent);
    tp.fillRect(QRectF(52, 24, 255, 2), kAccent);
    tp.end();
    Save(top, "about_top");

    QImage sim = Blank(39, 39);
    QPainter sp(&sim);
    sp.setRenderHint(QPainter::Antialiasing, true);
    QPainterPath card;
    card.moveTo(7.5, 3.5);
    card.lineTo(25.5, 3.5);
    card.lineTo(31.5, 9.5);
    card.lineTo(31.5, 35.5);
    card.lineTo(7.5, 35.5);
    card.closeSubpath();
    sp.fillPath(card, kDark1);
    sp.setPen(QPen(kDark0, 1));
    sp.drawPath(card);
    QLinearGradient chip(12, 16, 27, 30);
    chip.setColorAt(0, QColor(236, 200, 110));
    chip.setColorAt(1, QColor(186, 142, 58));
    sp.setBrush(chip);
    sp.setPen(QPen(QColor(120, 90, 36), 1));
    sp.drawRoundedRect(QRectF(12.5, 16.5, 14, 12), 2, 2);
    sp.drawLine(QPointF(19.5, 16.5), QPointF(19.5, 28.5));
    sp.drawLine(QPointF(12.5, 22.5), QPointF(26.5, 22.5));
    sp.end();
    Save(sim, "pin_icon");
}

// The main window's pictures: the large button faces (normal and hover), the
// SMS faces with and without unread messages, the traffic-row icons and the
// antenna, 32 frames of 10 x 93 side by side (frame n shows n of 31 bars).
void MainWindowPictures()
{
    auto face = [](const QString& name, int size, const QColor& ring, bool hover,
                   const std::function<void(QPainter&, const QRectF&)>& glyph) {
        QImage img = Blank(size, size);
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing, true);
        const QRectF r(2.5, 2.5, size - 5.0, size - 5.0);
        QRadialGradient g(r.center() - QPointF(size / 6.0, size / 6.0), size * 0.75);
        g.setColorAt(0, hover ? ring.lighter(160) : kDark2.lighter(130));
        g.setColorAt(1, hover ? ring.darker(130) : kDark1);
        p.setBrush(g);
        p.setPen(QPen(hover ? ring.lighter(130) : ring, 2));
        p.drawEllipse(r);
        p.setPen(QPen(Qt::white, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        glyph(p, r.adjusted(size * 0.28, size * 0.28, -size * 0.28, -size * 0.28));
        p.end();
        Save(img, name);
    };
    const auto plug = [](QPainter& p, const QRectF& r) {
        p.drawArc(r, 120 * 16, 300 * 16);
        p.drawLine(QPointF(r.center().x(), r.top() - 2), QPointF(r.center().x(), r.center().y()));
    };
    const auto cross = [](QPainter& p, const QRectF& r) {
        p.drawLine(r.topLeft(), r.bottomRight());
        p.drawLine(r.topRight(), r.bottomLeft());
    };
    const auto letter = [](QPainter& p, const QRectF& r) {
        p.drawRect(r.adjusted(-2, 2, 2, -2));
        p.drawLine(r.topLeft() + QPointF(-2, 2), r.center() + QPointF(0, 2));
        p.drawLine(r.center() + QPointF(0, 2), r.topRight() + QPointF(2, 2));
    };
    const auto letterNew = [letter](QPainter& p, const QRectF& r) {
        letter(p, r);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(230, 80, 60));
        p.drawEllipse(QPointF(r.right() + 3, r.top() - 1), 5, 5);
    };
    const auto gear = [](QPainter& p, const QRectF& r) {
        p.drawEllipse(r.adjusted(3, 3, -3, -3));
        for (int i = 0; i < 8; ++i) {
            p.save();
            p.translate(r.center());
            p.rotate(i * 45);
            p.drawLine(QPointF(0, r.height() / 2 - 2), QPointF(0, r.height() / 2 + 2));
            p.restore();
        }
    };
    const auto info = [](QPainter& p, const QRectF& r) {
        p.drawLine(QPointF(r.center().x(), r.center().y() - 1), QPointF(r.center().x(), r.bottom()));
        p.drawPoint(QPointF(r.center().x(), r.top() + 1));
    };
    for (int hover = 0; hover < 2; ++hover) {
        const QString s = hover ? "_hover" : "";
        face("main_connect" + s, 50, kAccent, hover, plug);
        face("main_disconnect" + s, 50, QColor(190, 70, 50), hover, cross);
        face("main_settings" + s, 50, kAccent, hover, gear);
        face("main_about" + s, 50, kAccent, hover, info);
        face("main_sms" + s, 48, kAccent, hover, letter);
        face("main_sms_new" + s, 48, QColor(230, 140, 40), hover, letterNew);
    }

    auto icon = [](const QString& name, const std::function<void(QPainter&)>& glyph) {
        QImage img = Blank(16, 16);
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(QPen(kAccentLight, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        glyph(p);
        p.end();
        Save(img, name);
    };
    icon("traffic_down", [](QPainter& p) { p.drawLine(8, 2, 8, 13); p.drawLine(4, 9, 8, 13); p.drawLine(12, 9, 8, 13); });
    icon("traffic_up", [](QPainter& p) { p.drawLine(8, 3, 8, 14); p.drawLine(4, 7, 8, 3); p.drawLine(12, 7, 8, 3); });
    icon("traffic_down_speed", [](QPainter& p) { p.drawArc(2, 3, 12, 12, 0, 180 * 16); p.drawLine(8, 9, 11, 5); p.drawLine(5, 13, 11, 13); });
    icon("traffic_up_speed", [](QPainter& p) { p.drawArc(2, 3, 12, 12, 0, 180 * 16); p.drawLine(8, 9, 5, 5); p.drawLine(5, 13, 11, 13); });
    icon("traffic_time", [](QPainter& p) { p.drawEllipse(2, 2, 12, 12); p.drawLine(8, 8, 8, 4); p.drawLine(8, 8, 11, 8); });

    QImage antenna = Blank(10 * 32, 93);
    QPainter ap(&antenna);
    for (int frame = 0; frame < 32; ++frame) {
        const int x0 = frame * 10;
        ap.fillRect(QRect(x0 + 1, 0, 8, 93), kDark1);
        // 31 bars of 3 pixels from the foot upwards: frame n lights n of them.
        for (int bar = 0; bar < 31; ++bar) {
            const int y = 93 - 3 - bar * 3;
            const QColor c = bar < frame ? (frame < 8 ? QColor(210, 90, 60) : kAccentLight) : kDark2;
            ap.fillRect(QRect(x0 + 2, y + 1, 6, 2), c);
        }
    }
    ap.end();
    Save(antenna, "main_antenna");
}

// The SMS window's pictures: the envelope of the zoomed message.
void SmsPictures()
{
    QImage img = Blank(48, 48);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    const QRectF body(4.5, 11.5, 39, 27);
    QLinearGradient g(body.topLeft(), body.bottomLeft());
    g.setColorAt(0, QColor(252, 252, 253));
    g.setColorAt(1, QColor(222, 227, 234));
    p.setBrush(g);
    p.setPen(QPen(kDark1, 1));
    p.drawRoundedRect(body, 2, 2);
    // The flap, in the accent colour.
    QPainterPath flap;
    flap.moveTo(5.5, 12.5);
    flap.lineTo(24, 28);
    flap.lineTo(42.5, 12.5);
    p.setPen(QPen(kAccent, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(flap);
    p.setPen(QPen(kDark2, 1));
    p.drawLine(QPointF(5.5, 37.5), QPointF(19, 25));
    p.drawLine(QPointF(42.5, 37.5), QPointF(29, 25));
    p.end();
    Save(img, "zoom_icon");
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
    DialogPictures();
    MainWindowPictures();
    SmsPictures();
    std::printf("skingen: %d pictures written to %s\n", g_written, argv[1]);
    return 0;
}
