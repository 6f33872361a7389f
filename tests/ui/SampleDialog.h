#pragma once
// A sample dialog on the skinned base: the title strip with its exit image,
// one page with the language choice (as the settings page has it) and the
// skinned OK and Cancel buttons. Changing the language re-words it at once.
#include <QComboBox>
#include <QLabel>

#include "ui/common/TExFrame.h"
#include "ui/common/TFormEx.h"
#include "ui/common/TLanguage.h"
#include "ui/common/TSkinButton.h"

class TSamplePage : public TExFrame {
public:
    TSamplePage(QWidget* owner, TLanguage* language);

    void ShowPage() override;
    void ApplyLanguage() override;
    void SetBackground(const QPixmap& picture) override;

    // The language button: store the choice, then every text again.
    void ChangeLang();

    QLabel* m_pIBackground;
    QLabel* m_pLLanguage;
    QComboBox* m_pCBLanguage;
    TSkinButton* m_pBChange;

private:
    TLanguage* m_pLanguage;
};

class TSampleDialog : public TFormEx {
public:
    TSampleDialog(QWidget* owner, TLanguage* language);

    // Text 175, " - ", then the page's title.
    void SetTitle(const AnsiString& text) override;
    void ApplyLanguage() override;
    void Lock() override;
    void Unlock() override;

    TSamplePage* m_pPage = nullptr;
    TSkinButton* m_pBOk = nullptr;
    TSkinButton* m_pBCancel = nullptr;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Arrange();

private:
    TLanguage* m_pLanguage;
};
