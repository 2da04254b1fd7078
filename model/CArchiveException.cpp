#include "CArchiveException.h"

const char* const CArchiveException::kMessage = "Unerwartetes Dateiformat.";

CArchiveException::CArchiveException(Cause cause) : std::runtime_error(kMessage), m_cause(cause) {}
