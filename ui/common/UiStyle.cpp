#include "ui/common/UiStyle.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPalette>
#include <QWidget>

QColor BgrColor(uint32_t bgr)
{
    return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                  static_cast<int>((bgr >> 16) & 0xFF));
}

namespace {
QString g_sans;
QString g_mono;

QString FirstInstalled(const QStringList& wanted, QFontDatabase::SystemFont fallback)
{
    const QStringList families = QFontDatabase::families();
    for (const QString& w : wanted)
        if (families.contains(w, Qt::CaseInsensitive))
            return w;
    return QFontDatabase::systemFont(fallback).family();
}
}  // namespace

void InstallFontSubstitutes()
{
    if (!g_sans.isEmpty() || QGuiApplication::instance() == nullptr)
        return;
    // A narrow face comes closest to the metrics the layouts were made for.
    g_sans = FirstInstalled({"DejaVu Sans Condensed", "Liberation Sans Narrow", "DejaVu Sans", "Liberation Sans",
                             "Noto Sans", "FreeSans"},
                            QFontDatabase::GeneralFont);
    g_mono = FirstInstalled({"DejaVu Sans Mono", "Liberation Mono", "Noto Sans Mono", "FreeMono"},
                            QFontDatabase::FixedFont);
    for (const char* name : {"Tahoma", "MS Sans Serif", "Arial"})
        QFont::insertSubstitution(name, g_sans);
    QFont::insertSubstitution("Courier New", g_mono);
}

QString SansFamily()
{
    InstallFontSubstitutes();
    return g_sans;
}

QFont TahomaPx(int pixelSize, bool bold)
{
    return NamedFontPx("Tahoma", pixelSize, bold);
}

QFont NamedFontPx(const char* family, int pixelSize, bool bold)
{
    InstallFontSubstitutes();
    QFont f(family);
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    return f;
}

QFont NamedFontPt(const char* family, int pointSize, bool bold)
{
    InstallFontSubstitutes();
    QFont f(family);
    f.setPointSize(pointSize);
    f.setBold(bold);
    return f;
}

QString ToQ(const AnsiString& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

AnsiString FromQ(const QString& text)
{
    return text.toUtf8().toStdString();
}

void SetTextColour(QWidget* w, const QColor& colour)
{
    QPalette pal = w->palette();
    pal.setColor(QPalette::WindowText, colour);
    pal.setColor(QPalette::ButtonText, colour);
    pal.setColor(QPalette::Text, colour);
    w->setPalette(pal);
}

void SetBackColour(QWidget* w, const QColor& colour)
{
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, colour);
    w->setPalette(pal);
}

void SetFieldColour(QWidget* w, const QColor& colour)
{
    QPalette pal = w->palette();
    pal.setColor(QPalette::Base, colour);
    w->setPalette(pal);
}

QLabel* MakeLabel(QWidget* parent, const QRect& place, const QFont& font, Qt::Alignment alignment,
                  const QColor& colour)
{
    auto* label = new QLabel(parent);
    label->setGeometry(place);
    label->setFont(font);
    label->setAlignment(alignment);
    label->setTextFormat(Qt::PlainText);
    label->setAttribute(Qt::WA_TranslucentBackground, true);
    SetTextColour(label, colour);
    return label;
}

void SetComboLocked(QComboBox* combo, bool locked)
{
    QPalette pal = combo->palette();
    const QColor back = locked ? BgrColor(0x808080) : BgrColor(0xFFFFFF);
    pal.setColor(QPalette::Base, back);
    pal.setColor(QPalette::Button, back);
    combo->setPalette(pal);
    combo->setEnabled(!locked);
}

void DrawFocusFrame(QPainter& painter, const QRect& frame, const QColor& colour)
{
    painter.setPen(QPen(colour, 1, Qt::DotLine));
    painter.drawRect(frame);
}

bool PressOnEnter(QAbstractButton* button, QKeyEvent* event)
{
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter)
        return false;
    event->accept();
    button->click();
    return true;
}
