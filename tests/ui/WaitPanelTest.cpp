#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QLabel>

#include "UiTestSupport.h"
#include "ui/common/TWaitPanel.h"
#include "ui/common/UiStyle.h"

namespace {
struct Host {
    QWidget window;
    TWaitPanel* panel;
    Host()
    {
        window.resize(600, 300);
        panel = new TWaitPanel(&window, 524, 21, BgrColor(0x181A1F));
    }
    // The running stripe: the panel's one child that is not the text.
    QWidget* Stripe() const
    {
        for (QWidget* w : panel->findChildren<QWidget*>())
            if (qobject_cast<QLabel*>(w) == nullptr)
                return w;
        return nullptr;
    }
};
}  // namespace

TEST(WaitPanel, WidthFollowsTheTextAndThePanelIsCentredAtItsOwnTop)
{
    Host h;
    const QFontMetrics fm(h.panel->TextLabel()->font());
    const QString longText = QString("Searching for the modem ").repeated(3);
    ASSERT_GT(fm.horizontalAdvance(longText) + 40, TWaitPanel::kMinWidth);
    for (const QString& text : {QString(), QString("x"), longText}) {
        SCOPED_TRACE(text.toStdString());
        h.panel->ShowText(FromQ(text));
        const int expected = std::max(TWaitPanel::kMinWidth, fm.horizontalAdvance(text) + 40);
        EXPECT_EQ(h.panel->width(), expected);
        EXPECT_EQ(h.panel->height(), TWaitPanel::kHeight);
        EXPECT_EQ(h.panel->x(), (600 - expected) / 2);
        EXPECT_EQ(h.panel->y(), 21);
        EXPECT_EQ(h.panel->TextLabel()->text(), text);
        EXPECT_TRUE(h.panel->isVisibleTo(&h.window));
        // The text and the stripe keep their right margin as the panel grows.
        EXPECT_EQ(h.panel->width() - h.panel->TextLabel()->geometry().right(), 11);
        ASSERT_NE(h.Stripe(), nullptr);
        EXPECT_EQ(h.panel->width() - h.Stripe()->geometry().right(), 11);
    }
}

TEST(WaitPanel, StripeStepsFromMinus41ToMinus1AndStartsOver)
{
    Host h;
    h.panel->ShowText("Wait");
    EXPECT_EQ(h.panel->Offset(), -42);
    h.panel->StopStripe();
    const int expected[] = {-41, -40, -2, -1, -41};
    const int stepsBefore[] = {1, 1, 38, 1, 1};
    for (int i = 0; i < 5; ++i) {
        for (int s = 0; s < stepsBefore[i]; ++s)
            h.panel->Step();
        EXPECT_EQ(h.panel->Offset(), expected[i]) << "check " << i;
    }
    // Shown again, it starts from the beginning.
    h.panel->ShowText("Wait");
    EXPECT_EQ(h.panel->Offset(), -42);
}

TEST(WaitPanel, TimerRunsTheStripeUntilStoppedOrHidden)
{
    Host h;
    h.window.show();
    h.panel->ShowText("Wait");
    EXPECT_TRUE(uitest::PumpUntil([&] { return h.panel->Offset() != -42; }));
    h.panel->StopStripe();
    const int stopped = h.panel->Offset();
    uitest::Pump(50);
    EXPECT_EQ(h.panel->Offset(), stopped);
    EXPECT_TRUE(h.panel->isVisible());
    h.panel->ShowText("Wait");
    h.panel->HidePanel();
    uitest::Pump(50);
    EXPECT_EQ(h.panel->Offset(), -42);
    EXPECT_FALSE(h.panel->isVisible());
}
