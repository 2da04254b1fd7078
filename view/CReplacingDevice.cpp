#include "CReplacingDevice.h"

CReplacingDevice::CReplacingDevice(const std::string& strTarget) : m_file(strTarget) {}

int CReplacingDevice::Start() {
    m_nError = m_file.Open();
    if (m_nError == 0) {
        open(QIODevice::WriteOnly);
    }
    return m_nError;
}

int CReplacingDevice::Commit() {
    close();
    if (m_nError == 0) {
        m_nError = m_file.Commit();
    }
    return m_nError;
}

qint64 CReplacingDevice::readData(char*, qint64) {
    return -1;
}

qint64 CReplacingDevice::writeData(const char* pData, qint64 nBytes) {
    if (m_nError == 0) {
        m_nError = m_file.Write(pData, static_cast<std::size_t>(nBytes));
    }
    return m_nError == 0 ? nBytes : -1;
}
