#pragma once

#include <streambuf>
#include <string>
#include <vector>

// A file opened for reading that never waits for a writer: the file is opened without
// blocking and a FIFO, a socket or a character device other than /dev/null is refused before
// anything is read from it. As a stream buffer it reads in large blocks, and a seek that lands
// inside the block it holds costs no system call, so walking many small chunks stays cheap.
class CInputFile : public std::streambuf {
public:
    // Open's answer for a FIFO, a socket or a character device.
    static constexpr int kNotAFile = -1;

    CInputFile();
    ~CInputFile() override;
    CInputFile(const CInputFile&) = delete;
    CInputFile& operator=(const CInputFile&) = delete;

    // 0, an errno (EISDIR for a folder) or kNotAFile.
    int Open(const std::string& strPath);
    int Descriptor() const { return m_fd; }

protected:
    int_type underflow() override;
    pos_type seekoff(off_type nOffset, std::ios_base::seekdir dir,
                     std::ios_base::openmode mode) override;
    pos_type seekpos(pos_type nPosition, std::ios_base::openmode mode) override;

private:
    void Close();

    int m_fd = -1;
    std::vector<char> m_buffer;
    off_t m_nBufferStart = 0;  // the file offset of the buffer's first byte
};
