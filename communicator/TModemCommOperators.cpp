#include "communicator/TModemComm.h"

// Placeholder until the operator table lands.
void TModemComm::LoadOperators() {}
