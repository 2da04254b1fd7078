#pragma once

#include <QIODevice>
#include <string>

#include "CReplacingFile.h"

// A write-only device over the replacing writer, so that pages go to disk while they are
// drawn instead of piling up in memory. Nothing replaces the target until Commit.
class CReplacingDevice : public QIODevice {
    Q_OBJECT

public:
    explicit CReplacingDevice(const std::string& strTarget);

    // Opens the new contents; 0 or the errno.
    int Start();
    // The first errno a write met, or what putting the file in its place did; 0 when done.
    int Commit();
    int Error() const { return m_nError; }

protected:
    qint64 readData(char* pData, qint64 nMax) override;
    qint64 writeData(const char* pData, qint64 nBytes) override;

private:
    CReplacingFile m_file;
    int m_nError = 0;
};
