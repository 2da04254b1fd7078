#pragma once

#include <cstdint>
#include <memory>

class CArchive;
class CObject;

// Run-time description of a class that can live in a document archive: the name stored in the
// file, the schema number stored with it, and how to make an empty object for loading.
struct CRuntimeClass {
    const char* m_lpszClassName;
    uint16_t m_wSchema;
    CObject* (*m_pfnCreateObject)();

    std::unique_ptr<CObject> CreateObject() const;
};

// Base of every object that is written to and read from a document archive.
class CObject {
public:
    virtual ~CObject();
    virtual const CRuntimeClass* GetRuntimeClass() const = 0;
    // Writes the body when the archive is storing, reads it when loading.
    void Serialize(CArchive& ar);
    // Storing only reads the object, so it works on a const one.
    virtual void Store(CArchive& ar) const = 0;
    virtual void Load(CArchive& ar) = 0;
};
