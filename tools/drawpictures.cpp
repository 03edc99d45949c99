// Draws every picture the address book shows: the splash, the title band, the toolbar faces,
// separators and gradients (built into the program as resources) and the hover faces read at run
// time from ./image/. Everything is vector drawing with fixed inputs, so a re-run reproduces the
// same files byte for byte on the same machine.
//
// Usage: QT_QPA_PLATFORM=offscreen drawpictures [repository-root]
//        (writes <root>/resources/*.png, the desktop icon <root>/resources/icons/<size>/addressbook.png
//        and <root>/image/*.png; root defaults to ".")

#include <QColor>
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QTextStream>

#include <cmath>
#include <cstdio>
#include <functional>

namespace {

// Colours fixed by the window layouts.
const QColor kNavy(29, 47, 79);          // title band, top of the toolbar gradient
const QColor kToolbarBottom(152, 163, 180);
const int kToolbarHeight = 67;
const QColor kDialogTop(32, 90, 146);
const QColor kDialogBottom(37, 153, 189);

// Our own palette.
const QColor kIconWhite(240, 244, 250);
const QColor kAccentBlue(150, 205, 255);
const QColor kAccentAmber(255, 206, 92);

QString gRoot = ".";
bool gFailed = false;

QColor lerp(const QColor &a, const QColor &b, double t)
{
    auto mix = [t](int x, int y) { return int(std::lround(x + (y - x) * t)); };
    return QColor(mix(a.red(), b.red()), mix(a.green(), b.green()), mix(a.blue(), b.blue()));
}

// Row y of a vertical gradient spread over `height` rows, first row = top, last row = bottom.
QColor gradientRow(const QColor &top, const QColor &bottom, int y, int height)
{
    return lerp(top, bottom, height > 1 ? double(y) / (height - 1) : 0.0);
}

QImage blank(int w, int h)
{
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    return img;
}

// Fills img with the vertical gradient, row by row (exact colours, no dithering).
void fillGradient(QImage &img, const QColor &top, const QColor &bottom, int height)
{
    for (int y = 0; y < img.height(); ++y) {
        const QRgb c = gradientRow(top, bottom, y, height).rgb();
        auto *line = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x)
            line[x] = c;
    }
}

QImage toolbarBackground(int w, int h)
{
    QImage img = blank(w, h);
    fillGradient(img, kNavy, kToolbarBottom, kToolbarHeight);
    return img;
}

void save(const QImage &img, const QString &relPath, bool opaque = true)
{
    const QString path = gRoot + "/" + relPath;
    QDir().mkpath(QFileInfo(path).absolutePath());
    // The window pictures are opaque and stored without alpha; the desktop icon has round corners.
    const QImage out = img.convertToFormat(opaque ? QImage::Format_RGB888 : QImage::Format_ARGB32);
    if (!out.save(path, "PNG", 9)) {
        std::fprintf(stderr, "drawpictures: cannot write %s\n", qPrintable(path));
        gFailed = true;
        return;
    }
    std::printf("%-28s %3d x %3d\n", qPrintable(relPath), img.width(), img.height());
}

QFont nanum(double pixels, bool bold)
{
    QFont f("NanumGothic");
    f.setPixelSize(int(pixels));
    f.setBold(bold);
    f.setStyleStrategy(QFont::StyleStrategy(QFont::PreferAntialias | QFont::NoFontMerging));
    f.setHintingPreference(QFont::PreferFullHinting);
    return f;
}

// The words are Hangul: a substituted face would print boxes, so insist on the real one.
bool checkFonts()
{
    for (bool bold : {false, true}) {
        const QFontInfo info(nanum(14, bold));
        if (info.family() != "NanumGothic" || info.bold() != bold) {
            std::fprintf(stderr, "drawpictures: NanumGothic%s not installed (got %s)\n",
                         bold ? " Bold" : "", qPrintable(info.family()));
            return false;
        }
    }
    return true;
}

void setup(QPainter &p)
{
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
}

// Draws `layer` onto `target` with a soft dark shadow below it, which keeps light shapes
// legible on the lighter lower part of the toolbar gradient.
void drawWithShadow(QPainter &target, const QImage &layer, int alpha = 110, int dy = 1)
{
    QImage shadow = layer;
    {
        QPainter sp(&shadow);
        sp.setCompositionMode(QPainter::CompositionMode_SourceIn);
        sp.fillRect(shadow.rect(), QColor(8, 16, 32, alpha));
    }
    target.drawImage(QPoint(0, dy), shadow);
    target.drawImage(QPoint(0, 0), layer);
}

// Draws `text` horizontally centred on cx with its baseline at `baseline`.
void drawCentredText(QPainter &p, const QString &text, const QFont &font, double cx,
                     double baseline, const QColor &colour)
{
    p.setFont(font);
    p.setPen(colour);
    const QFontMetricsF fm(font);
    const double w = fm.horizontalAdvance(text);
    p.drawText(QPointF(std::round(cx - w / 2), baseline), text);
}

// ---------------------------------------------------------------------------------------------
// Icons, drawn in a 26 x 26 box whose top-left corner is the painter's origin.

QPen roundPen(const QColor &c, double w)
{
    return QPen(c, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void iconNew(QPainter &p, const QColor &accent)
{
    // A person with a plus sign: a new entry.
    p.setPen(Qt::NoPen);
    p.setBrush(kIconWhite);
    p.drawEllipse(QPointF(10.5, 7.5), 5.0, 5.0);
    QPainterPath body;
    body.moveTo(1.5, 24.5);
    body.cubicTo(1.5, 17.0, 5.5, 14.0, 10.5, 14.0);
    body.cubicTo(15.5, 14.0, 19.5, 17.0, 19.5, 24.5);
    body.closeSubpath();
    p.drawPath(body);
    p.setPen(roundPen(accent, 3.0));
    p.drawLine(QPointF(21.0, 10.0), QPointF(21.0, 20.0));
    p.drawLine(QPointF(16.0, 15.0), QPointF(26.0, 15.0));
}

void iconEdit(QPainter &p, const QColor &accent)
{
    // A pencil over a writing line.
    p.save();
    p.translate(13.0, 12.0);
    p.rotate(45.0);
    p.setPen(Qt::NoPen);
    p.setBrush(kIconWhite);
    p.drawRoundedRect(QRectF(-3.5, -13.0, 7.0, 17.0), 1.0, 1.0);  // shaft
    p.setBrush(accent);
    p.drawRoundedRect(QRectF(-3.5, -15.5, 7.0, 3.5), 1.2, 1.2);   // eraser end
    QPainterPath tip;
    tip.moveTo(-3.5, 5.0);
    tip.lineTo(3.5, 5.0);
    tip.lineTo(0.0, 11.0);
    tip.closeSubpath();
    p.setBrush(kIconWhite);
    p.drawPath(tip);
    p.restore();
    p.setPen(roundPen(accent, 2.0));
    p.drawLine(QPointF(12.0, 24.0), QPointF(24.0, 24.0));
}

void iconDelete(QPainter &p, const QColor &accent)
{
    // A waste bin with its lid lifted slightly.
    p.setPen(roundPen(kIconWhite, 2.2));
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(4.0, 6.0), QPointF(22.0, 6.0));
    p.drawRoundedRect(QRectF(10.0, 2.0, 6.0, 4.0), 1.0, 1.0);
    QPainterPath bin;
    bin.moveTo(6.5, 9.0);
    bin.lineTo(19.5, 9.0);
    bin.lineTo(18.2, 24.0);
    bin.lineTo(7.8, 24.0);
    bin.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(kIconWhite);
    p.drawPath(bin);
    p.setPen(roundPen(accent, 1.6));
    for (double x : {10.3, 13.0, 15.7})
        p.drawLine(QPointF(x, 12.0), QPointF(x, 21.0));
}

void iconPrint(QPainter &p, const QColor &accent)
{
    // A printer with a sheet coming out.
    p.setPen(Qt::NoPen);
    p.setBrush(kIconWhite);
    p.drawRect(QRectF(7.0, 2.0, 12.0, 6.0));                     // paper in
    p.drawRoundedRect(QRectF(1.5, 9.0, 23.0, 11.0), 2.5, 2.5);   // body
    p.setBrush(accent);
    p.drawEllipse(QPointF(20.5, 12.5), 1.3, 1.3);                // lamp
    p.setBrush(QColor(60, 78, 108));
    p.drawRect(QRectF(5.5, 16.0, 15.0, 2.0));                     // slot
    p.setBrush(kIconWhite);
    p.setPen(QPen(QColor(60, 78, 108), 1.0));
    p.drawRect(QRectF(7.0, 16.5, 12.0, 8.0));                     // paper out
    p.setPen(roundPen(accent, 1.2));
    p.drawLine(QPointF(9.5, 20.0), QPointF(16.5, 20.0));
    p.drawLine(QPointF(9.5, 22.5), QPointF(14.5, 22.5));
}

void iconBackup(QPainter &p, const QColor &accent)
{
    // Two database drums, the copy standing behind the original.
    const QColor rim(29, 47, 79);
    auto drum = [&](double l, double t, double w, double h, const QColor &fill) {
        const double cap = 5.0;
        QPainterPath body;
        body.moveTo(l, t + cap / 2);
        body.lineTo(l, t + h - cap / 2);
        body.arcTo(QRectF(l, t + h - cap, w, cap), 180.0, 180.0);
        body.lineTo(l + w, t + cap / 2);
        body.arcTo(QRectF(l, t, w, cap), 0.0, -180.0);
        body.closeSubpath();
        p.setPen(QPen(rim, 1.0));
        p.setBrush(fill);
        p.drawPath(body);
        p.drawEllipse(QRectF(l, t, w, cap));
        // The bands between the tiers.
        p.setBrush(Qt::NoBrush);
        for (int i = 1; i <= 2; ++i) {
            const double y = t + i * (h - cap) / 3.0;
            QPainterPath band;
            band.arcMoveTo(QRectF(l, y, w, cap), 180.0);
            band.arcTo(QRectF(l, y, w, cap), 180.0, 180.0);
            p.drawPath(band);
        }
    };
    drum(9.0, 1.0, 15.0, 19.0, accent);
    drum(2.0, 6.0, 15.0, 19.0, kIconWhite);
}

void iconExit(QPainter &p, const QColor &accent)
{
    // The power symbol.
    p.setBrush(Qt::NoBrush);
    p.setPen(roundPen(kIconWhite, 3.0));
    QPainterPath ring;
    const QRectF r(3.0, 3.5, 20.0, 20.0);
    ring.arcMoveTo(r, 60.0);
    ring.arcTo(r, 60.0, -300.0);
    p.drawPath(ring);
    p.setPen(roundPen(accent, 3.0));
    p.drawLine(QPointF(13.0, 1.5), QPointF(13.0, 12.0));
}

using IconFn = std::function<void(QPainter &, const QColor &)>;

// ---------------------------------------------------------------------------------------------
// Toolbar faces, 101 x 61, at the top of the 67-row band gradient.

const int kFaceW = 101;
const int kFaceH = 61;

QImage drawFace(const IconFn &icon, const QString &word, bool hover)
{
    QImage img = toolbarBackground(kFaceW, kFaceH);
    QPainter p(&img);
    setup(p);

    if (hover) {
        // A lit button: outer glow, a light translucent plate and a bright rim. Kept clear of the
        // outer 4 columns, which a neighbouring separator may cover.
        const QRectF plate(6.5, 3.5, 88.0, 54.0);
        for (int i = 3; i >= 1; --i) {
            p.setPen(QPen(QColor(190, 225, 255, 26 * (4 - i)), 1.0));
            p.setBrush(Qt::NoBrush);
            p.drawRoundedRect(plate.adjusted(-i, -i, i, i), 7.0 + i, 7.0 + i);
        }
        QLinearGradient fill(plate.topLeft(), plate.bottomLeft());
        fill.setColorAt(0.0, QColor(120, 175, 240, 170));
        fill.setColorAt(0.5, QColor(70, 125, 205, 160));
        fill.setColorAt(1.0, QColor(50, 100, 180, 170));
        p.setBrush(fill);
        p.setPen(QPen(QColor(235, 245, 255, 210), 1.0));
        p.drawRoundedRect(plate, 7.0, 7.0);
        p.setPen(QPen(QColor(255, 255, 255, 90), 1.0));
        p.drawLine(QPointF(13.0, 4.5), QPointF(88.0, 4.5));
    }

    const QColor accent = hover ? kAccentAmber : kAccentBlue;
    QImage layer = blank(kFaceW, kFaceH);
    {
        QPainter lp(&layer);
        setup(lp);
        lp.save();
        lp.translate(37.0, 7.0);   // 26-wide icon box centred on x 50
        icon(lp, accent);
        lp.restore();
        drawCentredText(lp, word, nanum(16, true), 50.5, 51.0,
                        hover ? QColor(255, 255, 255) : QColor(246, 249, 253));
    }
    drawWithShadow(p, layer, hover ? 150 : 120);
    return img;
}

// ---------------------------------------------------------------------------------------------

QImage drawSeparator()
{
    // An etched line: dark at column 9, light at column 10, fading out at both ends.
    QImage img = toolbarBackground(19, kToolbarHeight);
    const int top = 6, bottom = 60;
    for (int y = top; y <= bottom; ++y) {
        const double t = double(y - top) / (bottom - top);
        const double fade = std::sin(t * M_PI);     // 0 at the ends, 1 in the middle
        const QColor bg = img.pixelColor(9, y);
        img.setPixelColor(9, y, lerp(bg, QColor(12, 22, 40), 0.55 * fade));
        const QColor bg2 = img.pixelColor(10, y);
        img.setPixelColor(10, y, lerp(bg2, QColor(230, 238, 250), 0.45 * fade));
    }
    return img;
}

// The address book emblem used by the title and the splash: a ring-bound book with index tabs and
// a person on its cover. Drawn in a box of size s x s at the origin.
void drawBookEmblem(QPainter &p, double s)
{
    p.save();
    p.scale(s / 48.0, s / 48.0);
    // Index tabs behind the right edge.
    const QColor tabs[] = {QColor(255, 190, 80), QColor(120, 200, 140), QColor(110, 180, 250)};
    for (int i = 0; i < 3; ++i) {
        p.setPen(Qt::NoPen);
        p.setBrush(tabs[i]);
        p.drawRoundedRect(QRectF(36.0, 8.0 + i * 11.0, 9.0, 8.0), 2.0, 2.0);
    }
    // Cover.
    QLinearGradient cover(QPointF(0, 2), QPointF(0, 46));
    cover.setColorAt(0.0, QColor(250, 252, 255));
    cover.setColorAt(1.0, QColor(214, 224, 238));
    p.setBrush(cover);
    p.setPen(QPen(QColor(14, 26, 48, 120), 1.0));
    p.drawRoundedRect(QRectF(6.0, 2.0, 34.0, 44.0), 4.0, 4.0);
    // Spine.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(64, 104, 160));
    QPainterPath spine;
    spine.addRoundedRect(QRectF(6.0, 2.0, 8.0, 44.0), 4.0, 4.0);
    spine.addRect(QRectF(10.0, 2.0, 4.0, 44.0));
    p.drawPath(spine.simplified());
    // Rings.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(200, 210, 225), 2.0, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 4; ++i) {
        const double y = 9.0 + i * 10.0;
        p.drawLine(QPointF(3.0, y), QPointF(10.0, y));
    }
    // Person on the cover.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(44, 70, 112));
    p.drawEllipse(QPointF(27.0, 18.0), 5.5, 5.5);
    QPainterPath body;
    body.moveTo(17.0, 36.0);
    body.cubicTo(17.0, 28.0, 21.5, 25.5, 27.0, 25.5);
    body.cubicTo(32.5, 25.5, 37.0, 28.0, 37.0, 36.0);
    body.closeSubpath();
    p.drawPath(body);
    p.setBrush(QColor(150, 170, 200));
    p.drawRoundedRect(QRectF(19.0, 39.0, 16.0, 2.0), 1.0, 1.0);
    p.restore();
}

QImage drawTitle()
{
    // Band colour behind everything; the band shows rows 0 to 64 only.
    QImage img = blank(350, 70);
    img.fill(kNavy);
    QPainter p(&img);
    setup(p);

    QImage layer = blank(350, 70);
    {
        QPainter lp(&layer);
        setup(lp);
        lp.save();
        lp.translate(14.0, 9.0);
        drawBookEmblem(lp, 46.0);
        lp.restore();

        const QFont title = nanum(27, true);
        lp.setFont(title);
        lp.setPen(QColor(255, 255, 255));
        lp.drawText(QPointF(72.0, 36.0), QString::fromUtf8("주소록"));
        const double tw = QFontMetricsF(title).horizontalAdvance(QString::fromUtf8("주소록"));

        // Thin accent rule after the title.
        lp.setPen(QPen(QColor(110, 170, 230, 150), 1.0));
        lp.drawLine(QPointF(72.0 + tw + 12.0, 27.5), QPointF(330.0, 27.5));

        QFont sub = nanum(12, false);
        lp.setFont(sub);
        lp.setPen(QColor(178, 200, 228));
        lp.drawText(QPointF(73.0, 55.0), QString::fromUtf8("연락처 · 주소 관리"));
        QFont latin = nanum(10, true);
        latin.setLetterSpacing(QFont::AbsoluteSpacing, 2.0);
        lp.setFont(latin);
        lp.setPen(QColor(130, 160, 200));
        const double sw = QFontMetricsF(sub).horizontalAdvance(QString::fromUtf8("연락처 · 주소 관리"));
        lp.drawText(QPointF(73.0 + sw + 12.0, 54.5), QStringLiteral("ADDRESS BOOK"));
    }
    drawWithShadow(p, layer, 120);
    return img;
}

QImage drawSplash()
{
    const int W = 400, H = 300;
    QImage img = blank(W, H);
    {
        // Background: a deep blue from the title band's colour downwards.
        const QColor top(36, 62, 104), bottom(16, 27, 48);
        fillGradient(img, top, bottom, H);
    }
    QPainter p(&img);
    setup(p);

    // Subtle design: large faint rings on the right, well above the loading area.
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < 5; ++i) {
        p.setPen(QPen(QColor(150, 190, 240, 16 + 4 * i), 1.0 + i * 0.5));
        const double r = 150.0 - i * 26.0;
        p.drawEllipse(QPointF(380.0, 40.0), r, r);
    }
    // A soft highlight behind the emblem.
    QRadialGradient glow(QPointF(92.0, 106.0), 80.0);
    glow.setColorAt(0.0, QColor(120, 170, 230, 60));
    glow.setColorAt(1.0, QColor(120, 170, 230, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawRect(QRectF(0, 20, 200, 165));

    QImage layer = blank(W, H);
    {
        QPainter lp(&layer);
        setup(lp);
        lp.save();
        lp.translate(56.0, 68.0);
        drawBookEmblem(lp, 76.0);
        lp.restore();

        const QFont title = nanum(46, true);
        lp.setFont(title);
        lp.setPen(QColor(255, 255, 255));
        lp.drawText(QPointF(150.0, 120.0), QString::fromUtf8("주소록"));

        QFont latin = nanum(12, true);
        latin.setLetterSpacing(QFont::AbsoluteSpacing, 3.0);
        lp.setFont(latin);
        lp.setPen(QColor(150, 190, 240));
        lp.drawText(QPointF(154.0, 72.0), QStringLiteral("ADDRESS BOOK"));

        lp.setFont(nanum(13, false));
        lp.setPen(QColor(190, 208, 232));
        lp.drawText(QPointF(154.0, 146.0), QString::fromUtf8("소중한 연락처를 한곳에서"));
    }
    drawWithShadow(p, layer, 140, 2);

    // Rule between the title block and the loading area.
    QLinearGradient rule(QPointF(40, 0), QPointF(360, 0));
    rule.setColorAt(0.0, QColor(150, 190, 240, 0));
    rule.setColorAt(0.5, QColor(150, 190, 240, 130));
    rule.setColorAt(1.0, QColor(150, 190, 240, 0));
    p.setPen(QPen(QBrush(rule), 1.0));
    p.drawLine(QPointF(40.0, 175.5), QPointF(360.0, 175.5));

    // The loading area (text, bar and the close button are drawn over it by the window): one calm,
    // dark, even panel.
    p.setPen(QPen(QColor(120, 160, 215, 70), 1.0));
    p.setBrush(QColor(10, 18, 34, 150));
    p.drawRoundedRect(QRectF(52.5, 196.5, 320.0, 58.0), 6.0, 6.0);

    // Footer.
    p.setFont(nanum(11, false));
    p.setPen(QColor(120, 145, 180));
    const QString ver = QStringLiteral("Version 1.0");
    const double vw = QFontMetricsF(nanum(11, false)).horizontalAdvance(ver);
    p.drawText(QPointF(W - 16.0 - vw, H - 14.0), ver);
    return img;
}

// The desktop icon: the book emblem on a rounded tile in the title band's blues. Drawn on a 48-unit
// grid scaled to the size; below 32 pixels the tile fills more of the square and the emblem grows,
// so that the small menu sizes stay legible.
QImage drawIcon(int size)
{
    QImage img = blank(size, size);
    QPainter p(&img);
    setup(p);
    p.scale(size / 48.0, size / 48.0);
    const bool small = size < 32;
    const QRectF tile = small ? QRectF(1.0, 1.0, 46.0, 46.0) : QRectF(3.0, 3.0, 42.0, 42.0);
    QLinearGradient bg(tile.topLeft(), tile.bottomLeft());
    bg.setColorAt(0.0, kDialogTop);
    bg.setColorAt(1.0, kNavy);
    p.setPen(Qt::NoPen);
    p.setBrush(bg);
    p.drawRoundedRect(tile, 9.0, 9.0);
    p.setPen(QPen(QColor(150, 190, 240, 90), 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(tile.adjusted(0.5, 0.5, -0.5, -0.5), 8.5, 8.5);
    const double emblem = small ? 38.0 : 32.0;
    p.translate((48.0 - emblem) / 2.0 - (small ? 1.0 : 0.5), (48.0 - emblem) / 2.0);
    drawBookEmblem(p, emblem);
    return img;
}

// ---------------------------------------------------------------------------------------------

struct Action {
    const char *resource;   // built-in face
    int fileNumber;         // ./image/<n>.png, <n>_2.png
    const char *word;
    IconFn icon;
};

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    if (argc > 1)
        gRoot = QString::fromLocal8Bit(argv[1]);
    if (!checkFonts())
        return 1;

    const Action actions[] = {
        {"face_new", 1, "등록", iconNew},
        {"face_edit", 2, "수정", iconEdit},
        {"face_delete", 3, "삭제", iconDelete},
        {"face_backup", 4, "백업", iconBackup},
        {"face_print", 5, "출력", iconPrint},
        {"face_exit", 6, "종료", iconExit},
    };
    for (const Action &a : actions) {
        const QString word = QString::fromUtf8(a.word);
        const QImage normal = drawFace(a.icon, word, false);
        const QImage hover = drawFace(a.icon, word, true);
        save(normal, QString("resources/%1.png").arg(a.resource));
        save(normal, QString("image/%1.png").arg(a.fileNumber));
        save(hover, QString("image/%1_2.png").arg(a.fileNumber));
    }

    save(drawSeparator(), "resources/separator.png");
    save(toolbarBackground(1, kToolbarHeight), "resources/toolbar_gradient.png");
    {
        QImage g = blank(3, 56);
        fillGradient(g, kDialogTop, kDialogBottom, 56);
        save(g, "resources/dialog_gradient.png");
    }
    save(drawTitle(), "resources/title.png");
    save(drawSplash(), "resources/splash.png");
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        save(drawIcon(size), QString("resources/icons/%1/addressbook.png").arg(size), false);
    return gFailed ? 1 : 0;
}
