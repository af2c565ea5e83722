#include "base/environment.h"

#include "base/in_use_wait.h"

// One run, one environment: the run's time to wait for files in use starts whole.
CEnvironment::CEnvironment() {
    m_szLog[0] = 0;
    ResetInUseWaits();
}

CEnvironment::~CEnvironment() = default;
