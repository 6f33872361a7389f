// The widget-free pieces of the SMS window: recipients, cutting, dates.
#include <gtest/gtest.h>

#include "ui/sms/SmsUiText.h"

using smsui::SplitRecipients;

TEST(SmsUiText, RecipientsKeepEveryPieceAsTyped)
{
    using V = std::vector<AnsiString>;
    EXPECT_EQ(SplitRecipients(""), V({""}));
    EXPECT_EQ(SplitRecipients("111;222;333"), V({"111", "222", "333"}));
    EXPECT_EQ(SplitRecipients("111;"), V({"111", ""}));
    EXPECT_EQ(SplitRecipients(" +49 1;;x"), V({" +49 1", "", "x"}));
    // No table limit: every piece is a recipient.
    EXPECT_EQ(SplitRecipients(std::string(300, ';')).size(), 301u);
}

TEST(SmsUiText, CutNeverSplitsASurrogatePair)
{
    const std::u16string text = u"ab\U0001F600c";  // a, b, two units, c
    EXPECT_EQ(smsui::CutText(text, 3), u"ab");
    EXPECT_EQ(smsui::CutText(text, 4), u"ab\U0001F600");
    EXPECT_EQ(smsui::CutText(text, 10), text);
}

TEST(SmsUiText, DateRoundingAndRange)
{
    EXPECT_EQ(smsui::FormatDate(40631.999999999).toStdString(), "30/03/11 00:00");
    EXPECT_EQ(smsui::FormatDate(1e300).toStdString(), "");
    EXPECT_EQ(smsui::FormatDate(-1.25).toStdString(), "29/12/99 06:00");
}
