#include "communicator/TModemComm.h"

// Placeholders until modem discovery lands.
void TModemComm::InitModemDevices() {}
void TModemComm::ReleaseModemDevices() {}
