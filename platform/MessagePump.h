#pragma once
// "Process pending UI messages": runs what the application's event loop has
// queued, when called on the thread that owns it; elsewhere it returns at once.
void ProcessMessages();
