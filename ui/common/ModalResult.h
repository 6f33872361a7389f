#pragma once
// Modal results keep the platform's numbers; dialogs reuse them for their own
// buttons (connection trouble: 1 Settings, 4 Try again, 7 Troubleshoot).
enum TModalResult : int {
    mrNone = 0,
    mrOk = 1,
    mrCancel = 2,
    mrRetry = 4,
    mrYes = 6,
    mrNo = 7,
};
