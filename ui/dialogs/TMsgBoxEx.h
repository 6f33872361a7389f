#pragma once
// The program's own message box: a skinned, borderless box that sizes itself
// to its text (its widest line; no wider than the screen, longer lines wrap)
// and offers OK (type 0), Yes / No (type 1) or Yes / No captioned OK / Cancel
// (type 2). Its
// results are the platform's numbers: 1 for OK, 6 and 7 for the left and right
// button of the two-button types. The caller shows it modally and deletes it;
// RunMsgBox.h does both.
#include <QStringList>
#include "ui/common/TFormEx.h"

class QLabel;
class TLanguage;
class TSkinButton;

class TMsgBoxEx : public TFormEx {
    Q_OBJECT
public:
    TMsgBoxEx(QWidget* owner, char type, const AnsiString& text, TLanguage* language);
    ~TMsgBoxEx() override;

    // Splits at every line end (CR LF, LF, CR); returns the line count and, in
    // longest, the index of the line with the most characters (the first of
    // equals).
    static int SplitLines(const AnsiString& text, QStringList& list, int& longest);
    // The text as the box shows it. The language breaks its long texts after
    // a blank (CR LF); those breaks go, so that lines are broken once, by the
    // box, at its width. The text's own line ends stay, as LF.
    static QString ShownText(const AnsiString& text);

    char Type() const { return m_type; }
    // The answers of Enter and Esc (and of a close by the window system).
    int EnterResult() const;
    int EscapeResult() const;

    static constexpr int kMinWidth = 383;
    static constexpr int kMargin = 14;
    static constexpr int kLabelTop = 20;
    static constexpr int kButtonWidth = 78;
    static constexpr int kButtonHeight = 20;

    QLabel* m_pLMsgText = nullptr;
    QLabel* imgBottomLeft = nullptr;
    QLabel* imgBottomLine = nullptr;
    QLabel* imgBottomRight = nullptr;
    QLabel* imgLeftLine = nullptr;
    QLabel* imgRightLine = nullptr;
    QLabel* imgTopLeft = nullptr;
    QLabel* imgTopRight = nullptr;
    QLabel* imgTopLine = nullptr;
    TSkinButton* m_pBOk = nullptr;
    TSkinButton* m_pBNo = nullptr;
    TSkinButton* m_pBYes = nullptr;

public slots:
    void m_pBOkClick();
    void m_pBYesClick();
    void m_pBNoClick();

protected:
    void OnFormKeyDown(int key);
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void reject() override;

private:
    void ArrangeButtons(char type);
    void ArrangeSkin();
    void PlaceButton(TSkinButton* button, int left, int top);

    char m_type;
};
