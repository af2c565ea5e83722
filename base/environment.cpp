#include "base/environment.h"

CEnvironment::CEnvironment() { m_szLog[0] = 0; }

CEnvironment::~CEnvironment() = default;
