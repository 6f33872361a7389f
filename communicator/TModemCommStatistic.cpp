#include "communicator/TModemComm.h"

// Placeholders until the traffic statistics land.
void TModemComm::InitStatistic() {}
void TModemComm::ReleaseStatistic() {}
