#include "CObject.h"

#include "CArchive.h"

std::unique_ptr<CObject> CRuntimeClass::CreateObject() const {
    return std::unique_ptr<CObject>(m_pfnCreateObject());
}

CObject::~CObject() = default;

void CObject::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        Store(ar);
    } else {
        Load(ar);
    }
}
