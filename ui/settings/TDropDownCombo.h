#pragma once
// A combo box that tells before it drops down (the Modem page fills its
// device list then).
#include <QComboBox>
#include <functional>

class TDropDownCombo : public QComboBox {
public:
    using QComboBox::QComboBox;
    std::function<void()> OnDropDown;
    void showPopup() override
    {
        if (OnDropDown)
            OnDropDown();
        QComboBox::showPopup();
    }
};
