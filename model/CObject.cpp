#include "CObject.h"

std::unique_ptr<CObject> CRuntimeClass::CreateObject() const {
    return std::unique_ptr<CObject>(m_pfnCreateObject());
}

CObject::~CObject() = default;
