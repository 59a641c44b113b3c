// CTWFile32: one operating-system file and one fixed memory buffer, with
// typed binary and CR LF text primitives and an in-place update of regions
// already written.
#ifndef TWFILE_FILE_FILE32_H
#define TWFILE_FILE_FILE32_H

#include <twfile/export.h>
#include <twfile/framework/object.h>
#include <twfile/framework/string.h>
#include <twfile/host/error.h>
#include <twfile/platform/types.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

// The buffer is a window on the file: buffer byte i stands for file offset
// m_nBufStart + i, and the current point is m_nBufStart + m_nBufPos.
// Writing: bytes [0, m_nBufPos) are output not yet in the file.
// Reading: bytes [0, m_nBufValid) hold file bytes, m_nBufPos is the next
// unread one.
// Every operation with a status follows the error service's rules with the
// source name "twfile32". Files of 2 GiB or more are refused.
class TWFILE_API CTWFile32 : public CObject {
  public:
    CTWFile32();
    // Closes, frees the buffer and the message text, then reports and clears
    // a pending error. Pending output is not written.
    ~CTWFile32() override;
    CTWFile32(const CTWFile32&) = delete;
    CTWFile32& operator=(const CTWFile32&) = delete;

    // Open parameters, used by the next CreateFileA.
    int SetFileName(const char* name);
    int SetDesiredAccess(unsigned long access);
    int SetShareMode(unsigned long shareMode);
    int SetCreationDistribution(unsigned long disposition);
    int SetFlagsAndAttributes(unsigned long flags);
    int SetSecurityAttributes(win32::SECURITY_ATTRIBUTES* attributes);
    int SetTemplateFile(void* templateFile);

    const char* GetFileName() const;
    int IsFileOpen() const;
    // The system's code for why the last CreateFileA found no file to hold
    // (win32::ERROR_SHARING_VIOLATION: another holder's share mode kept the
    // open out); 0 after one that opened its file, and after Reset.
    unsigned long GetOpenError() const { return m_dwOpenError; }

    // Opens m_strFileName with the stored parameters and allocates the
    // buffer; the current point is then offset 0. A failed open shows the
    // system's message and raises nothing: test IsFileOpen.
    int CreateFileA();
    // Opens a new temporary file named from the part of name after its last
    // backslash (or slash).
    int CreateFileTemp(const char* name);
    // Closes the file without writing pending output.
    int CloseFile();
    // Forgets the file name and positions of a closed file.
    int Reset();
    int GetFileSize();
    int SetFilePointer(long offset, unsigned long method);

    // Writing. Numbers are little-endian (int and long 4 bytes, float and
    // double IEEE 754); texts are copied byte for byte. An item goes into the
    // buffer whole, after the pending output was written when it did not
    // fit; an item larger than the buffer is written through in buffer-sized
    // pieces. With no buffer held the primitives raise the invalid-context
    // error, and output that would pass offset 2^31 - 1 is refused.
    // The fixed-width values are stored inline while the buffer has room and
    // no error is pending; otherwise they take the general path.
    int Write(int value) {
        const auto bits = static_cast<std::uint32_t>(value);
        return StoreFixed(bits) ? 0 : WriteFixed(bits);
    }
    // Values outside the 32-bit range are refused (invalid parameter).
    int Write(long value);
    int Write(float value) {
        std::uint32_t bits;
        static_assert(sizeof bits == sizeof value, "float is IEEE 754 single precision");
        std::memcpy(&bits, &value, sizeof bits);
        return StoreFixed(bits) ? 0 : WriteFixed(bits);
    }
    int Write(double value) {
        std::uint64_t bits;
        static_assert(sizeof bits == sizeof value, "double is IEEE 754 double precision");
        std::memcpy(&bits, &value, sizeof bits);
        return StoreFixed(bits) ? 0 : WriteFixed(bits);
    }
    int Write(const char* text);
    int WriteNull();
    int WriteBLOB(char* data, long count);
    int WriteField(char* text, int bEndOfLine);
    int WriteLine(const char* text);
    int WriteText(const char* text);
    // Decimal digits of a 32-bit value; others are refused.
    int WriteText(long value);
    int WriteLen(char* text);
    // Writes the pending output and ends the file after it; nothing of the
    // file stays loaded.
    int WriteFile();
    // WriteFile, then CloseFile.
    int Flush();
    // Writes the file anew in one step. write(context) writes the complete
    // new text from offset 0 into a new file created beside the file that
    // m_strFileName names (beside the file a symbolic link leads to), held
    // with the object's share mode. Hidden new files of earlier saves of the
    // same file that no live writer holds are removed first. The new file is
    // written out, flushed to the disk, given the old file's access (see
    // GetAccessNotKept), and renamed over the old file, which is then
    // closed: the object holds the new file as WriteFile leaves it, and the
    // path names the old file or the whole new text, never a part. On a
    // failure the new file is removed, the old one is untouched, and the
    // object holds it again with nothing loaded. Only when the folder cannot
    // be flushed after the rename does a failure leave the new text in
    // place: the object then holds the new file, and the error says the
    // document was saved.
    // Without write access, or where no file can be created beside the old
    // one (a read-only directory), the text is written over the open file
    // in place instead: the whole text is made in memory, the space it needs
    // is reserved (a full disk fails with nothing changed), readers are kept
    // out, and the text is written, flushed, and the file cut to its length
    // last. Only a kill or a power loss during that rewrite can tear the
    // file. Failures carry the system's reason in their text.
    int WriteReplacing(int (*write)(void* context), void* context);
    // What the last replacing save could not give the new file of the old
    // one's access: win32::ACCESS_*_NOT_KEPT bits, 0 when everything was
    // kept (and after an in-place save, which keeps the file itself).
    unsigned long GetAccessNotKept() const { return m_dwAccessNotKept; }
    // The file that WriteReplacing renames over for path: path itself, or,
    // when path is a symbolic link, the file the link leads to (where it
    // points when that does not exist), so that the link stays. Empty when it
    // cannot be told (a link that cannot be read, a loop of links).
    static std::string GetReplacedFileName(const char* path);

    // Reading. eof is set to 0 on entry and to 1 when the file has no more
    // bytes; end of file is not an error. In the character-array forms the
    // target holds max + 1 bytes. A value or a NUL-terminated or
    // length-prefixed text cut short by the end of the file gives eof and is
    // not consumed. Read(char*) and ReadLen(char*) take only texts that fit
    // in the buffer ("Error reading a file" otherwise). A failed refill
    // leaves nothing loaded and the current point where the load began.
    int ReadFile(int& eof);
    int Read(int& value, int& eof);
    int Read(long& value, int& eof);
    int Read(float& value, int& eof);
    int Read(double& value, int& eof);
    int Read(char* target, int max, int& eof);
    int Read(CString* text, int& eof);
    // A stored length below 1 raises "Error reading a file".
    int ReadLen(char* target, int max, int& eof);
    int ReadLen(CString* text, int& eof);
    int ReadLine(char* target, int max, int& eof);
    int ReadLine(CString* text, int& eof);
    int ReadField(char* target, int max, int& bEndOfLine, int& eof);
    int ReadField(CString* text, int& bEndOfLine, int& eof);
    int ReadBytes(char* target, int max, int& count, int& eof);
    int ReadBLOB(char*& data, long& count, int& eof);
    int ReadBLOB(char*& data, long& count, int need, int& eof);
    int SkipInt(int& eof);
    int SkipLong(int& eof);
    int SkipString(int& eof);
    int SkipBLOB(long count, int& eof);
    int Ensure(int count, int& eof, int& bShort);
    // Loads from offset unless it is loaded. An offset with no byte raises
    // the locating error and leaves nothing loaded, the current point at
    // offset.
    int Locate(long offset);
    int GetCurLoc(long& offset);
    int GetCurLoc(char*& data, long& room);

    // In-place update: PrePreUpdate once; for each region PreUpdate, writes
    // of exactly length bytes, PostUpdate; finally PostPostUpdate, after
    // which the writer goes on at the point where the update began. A
    // region is at most the buffer size long.
    int PrePreUpdate();
    int PreUpdate(long offset, long length);
    int PostUpdate();
    int PostPostUpdate();

    // Members, in the order of the design.
    char* m_lpMsgBuf;
    win32::HANDLE m_hFile;
    CString m_strFileName;
    win32::DWORD m_dwDesiredAccess;
    win32::DWORD m_dwShareMode;
    win32::SECURITY_ATTRIBUTES* m_lpSecurityAttributes;
    win32::DWORD m_dwCreationDistribution;
    win32::DWORD m_dwFlagsAndAttributes;
    win32::HANDLE m_hTemplateFile;
    win32::HGLOBAL m_hMemory;
    int m_nBufPos;
    int m_nBufStart;
    int m_nBufValid;
    int m_nBufSize;
    win32::DWORD m_dwFileSize;
    unsigned char* m_pBuffer;
    int m_nSavedPos;
    int m_nSavedStart;
    int m_bRelocated;
    int m_bDirty;
    int m_nHighWater;

  private:
    // Where a text scan puts the bytes it takes (reader.cpp).
    class TextSink;
    // What ends a scanned text: a NUL, CR LF, or TAB or CR LF.
    enum class TextEnd { Nul, Line, Field };

    int GetMemory();
    int ReleaseMemory();
    int ShowError();
    int SetEndOfFile(long offset);
    int DoWrite(unsigned long count);
    int DoRead(unsigned long count);

    // Writing: checks for a buffer, and that count more bytes of output stay
    // within the largest offset.
    int CheckOutput(unsigned long long count);
    // CheckOutput, then writes the pending output first when an item of need
    // bytes does not fit.
    int BeginItem(unsigned long long need);
    // Appends count bytes, writing the buffer out whenever it is full.
    int Put(const void* data, std::size_t count);
    // True when count bytes can be stored at the current point with nothing
    // else to do: a buffer is held, the bytes fit in the room left, the
    // buffer lies wholly below the largest offset and no error is pending.
    bool HasRoomFor(std::size_t count) const {
        return m_pBuffer != nullptr && m_nBufPos <= m_nBufSize &&
               static_cast<std::size_t>(m_nBufSize - m_nBufPos) >= count &&
               m_nBufStart <= INT32_MAX - m_nBufSize && CTWError::m_nError >= 0;
    }
    // The inline path of the fixed-width writes: stores the value's bytes,
    // little-endian, and returns true when a buffer is held, the value fits
    // in the room left, the buffer lies wholly below the largest offset and
    // no error is pending; the general path would then do exactly this and
    // return 0. Otherwise it stores nothing and returns false.
    template <typename Bits>
    bool StoreFixed(Bits bits) {
        constexpr int width = static_cast<int>(sizeof bits);
        if (!HasRoomFor(width)) return false;
        unsigned char* to = m_pBuffer + m_nBufPos;
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
        std::memcpy(to, &bits, sizeof bits);
#else
        for (int i = 0; i < width; ++i)
            to[i] = static_cast<unsigned char>(bits >> (8 * i));
#endif
        m_nBufPos += width;
        return true;
    }
    // The general path of the fixed-width writes (BeginItem, then Put).
    int WriteFixed(std::uint32_t bits);
    int WriteFixed(std::uint64_t bits);

    // Reading: refills, keeping the unread bytes, when fewer than need are
    // unread.
    int Refill(long long need, int& eof);
    // Makes width bytes available for a fixed-width value; eof when the file
    // ends before them.
    int NeedFixed(int width, int& eof);
    // The common case of ReadLine: the length of the line at the current
    // point when its CR LF lies among the unread bytes and no error is
    // pending, else -1 (the general scan then runs).
    int BufferedLineLength() const;
    // Takes a text up to its end mark across refills.
    int ScanText(TextSink& sink, TextEnd end, int& bEndOfLine, int& eof);
    // Moves the current point back to offset, dropping the loaded bytes when
    // offset lies before them.
    void MoveBackTo(long long offset);
    // The loaded bytes reach the end of the file (as last queried).
    bool LoadedToEnd() const;
    // Unread bytes in the buffer; none while the output written reaches
    // past the loaded bytes.
    int Unread() const {
        return m_nBufValid > m_nBufPos ? m_nBufValid - m_nBufPos : 0;
    }
    // WriteReplacing's steps: the text written into the new file and put in
    // place of target; the fallback, the text written over the open file.
    int WriteReplacement(const char* replacement, const char* target, int (*write)(void* context),
                         void* context, win32::HANDLE& old);
    // The rename where no file can be renamed over while it is open
    // (Windows): closes old first, and, when the rename fails, opens the
    // document's file again as old (old stays closed when that fails too;
    // the file still holds its text).
    int RenameOverClosedTarget(const char* replacement, const char* target, win32::HANDLE& old);
    int WriteInPlace(int (*write)(void* context), void* context);
    // The in-place rewrite's steps: the text that write(context) makes, in
    // memory; then text over the open file, reserved, flushed and cut, with
    // readers kept out (OverwriteHeld) while Overwrite writes it.
    int MakeText(int (*write)(void* context), void* context, std::string& text);
    int OverwriteHeld(const std::string& text);
    int Overwrite(const std::string& text);
    // WriteFile's step while a text is made in memory: appends the pending
    // output to m_pCapture.
    int KeepOutput();
    // After a failed replacement: closes and removes the new file and holds
    // old again, at offset point with nothing loaded. Raises nothing.
    void AbandonReplacement(win32::HANDLE old, int point, win32::DWORD size,
                            const char* replacement);

    // In-place update: writes buffer bytes [0, count) to the file at
    // m_nBufStart without moving the end of the file.
    int WriteBack(int count);

    // While set, WriteFile appends the pending output here instead of
    // writing it to the file.
    std::string* m_pCapture = nullptr;
    win32::DWORD m_dwAccessNotKept = 0;
    win32::DWORD m_dwOpenError = 0;
};

#endif  // TWFILE_FILE_FILE32_H
