// Decompression engines and package unpacking.
#include "package/decompression_engines.h"

#include "platform/win32.h"

#include <new>
#include <string.h>
#include <zlib.h>

// ---- EngineBase ------------------------------------------------------------

int32_t EngineBase::WriteSettings(ALStorage& target) {
    return WriteZeroSettings(target);
}
int32_t EngineBase::ReadSettings(ALStorage& source) {
    return SkipSettings(source);
}

// ---- StorageOpenGuard ------------------------------------------------------

// The output is created only when the input opened without error, so a
// package that exists but cannot be read does not truncate an existing target.
StorageOpenGuard::StorageOpenGuard(ALStorage& inputStorage, ALStorage& outputStorage)
    : input{inputStorage, inputStorage.IsOpen()}, output{outputStorage, outputStorage.IsOpen()} {
    if (!input.wasOpen)
        input.storage.Open();
    if (!output.wasOpen && input.storage.status.code >= 0)
        output.storage.Create(-1);
}

StorageOpenGuard::~StorageOpenGuard() {
    Close();
}

void StorageOpenGuard::Close() {
    if (!output.wasOpen)
        output.storage.Close();
    if (!input.wasOpen)
        input.storage.Close();
    output.wasOpen = input.wasOpen = true;
}

namespace {

// Copies the first failing storage's status into the engine's, the input's
// first. True when one had failed.
bool TakeStorageFailure(ErrorStatus& status, ALStorage& input, ALStorage& output) {
    if (input.status.code < 0) {
        status.CopyFrom(input.status);
        return true;
    }
    if (output.status.code < 0) {
        status.CopyFrom(output.status);
        return true;
    }
    return false;
}

// Hands the bytes of the output's buffer that the decoder produced to the
// output's Flush and gives the decoder the whole buffer again.
void FlushDecoded(z_stream& stream, ALStorage& output) {
    long produced = output.bufferSize - static_cast<long>(stream.avail_out);
    if (produced > 0) {
        output.writeIndex = produced;
        output.Flush();
        output.writeIndex = 0;
    }
    stream.next_out = output.buffer;
    stream.avail_out = static_cast<uInt>(output.bufferSize);
}

} // namespace

// ---- InflateEngine ---------------------------------------------------------

DecompressionEngine* InflateEngine::Clone(int32_t code) {
    if (code == 0 || code == 100)
        return new (std::nothrow) CopyEngine();
    if (code != -1 && (code < 108 || code > 111))
        return nullptr;
    InflateEngine* engine = new (std::nothrow) InflateEngine();
    if (engine && code != -1)
        engine->option = code - 108;
    return engine;
}

// The decoder reads straight from the input's buffer and writes straight into
// the output's buffer. The output is written whenever its buffer is full and
// once more at the end, so every write but the last is a whole block.
//
// A pass that returns Z_OK without output (one that only consumed block
// header bits) is followed by the next pass: ending there would cut a valid
// stream short. The loop still ends at the end of the input, where inflate
// returns Z_BUF_ERROR.
int32_t InflateEngine::Decompress(ALStorage& input, ALStorage& output, long length) {
    StorageOpenGuard guard(input, output);
    if (TakeStorageFailure(status, input, output))
        return status.code;

    z_stream stream;
    memset(&stream, 0, sizeof stream);
    output.Flush();
    stream.next_out = output.buffer;
    stream.avail_out = static_cast<uInt>(output.bufferSize);
    inflateInit2_(&stream, -15, ZLIB_VERSION, static_cast<int>(sizeof(z_stream)));

    long remaining = length;
    bool inputEnded = false; // no further read once the input said end or failed
    int result;
    for (;;) {
        if (stream.avail_in == 0) {
            long count = 0;
            if (input.readIndex < input.bytesInBuffer) {
                count = input.bytesInBuffer - input.readIndex;
            } else if (!inputEnded) {
                long loaded = input.FillBuffer(input.physicalPosition);
                inputEnded = loaded < 0;
                count = loaded >= 0 ? loaded : 0;
            }
            if (length >= 0) {
                if (count > remaining)
                    count = remaining;
                remaining -= count;
            }
            stream.next_in = input.buffer ? input.buffer + input.readIndex : nullptr;
            stream.avail_in = static_cast<uInt>(count);
            input.readIndex += count;
        }
        result = inflate(&stream, Z_NO_FLUSH);
        if (stream.avail_out == 0)
            FlushDecoded(stream, output);
        if (result != Z_OK)
            break;
    }
    FlushDecoded(stream, output);
    uLong consumed = stream.total_in;
    inflateEnd(&stream);

    if (TakeStorageFailure(status, input, output))
        return status.code;
    // An empty input is an empty stream; anything else must reach its final block.
    if (result == Z_BUF_ERROR && consumed > 0)
        status.SetError(AL_INFLATE_ERROR,
                        "Inflate failure on %s.  The data ends before the final block.",
                        input.name.Current());
    else if (result != Z_STREAM_END && result != Z_BUF_ERROR)
        status.SetError(AL_INFLATE_ERROR, "Inflate failure on %s.  zlib result = %d",
                        input.name.Current(), result);
    return status.code;
}

// ---- CopyEngine ------------------------------------------------------------

DecompressionEngine* CopyEngine::Clone(int32_t code) {
    if (code != -1 && code != 0)
        return nullptr;
    return new (std::nothrow) CopyEngine();
}

// The last partial block is written when the guard closes an output it
// created, so the status is taken after that.
int32_t CopyEngine::Decompress(ALStorage& input, ALStorage& output, long length) {
    StorageOpenGuard guard(input, output);
    if (TakeStorageFailure(status, input, output))
        return status.code;
    if (length != 0) {
        for (;;) {
            int byte = input.GetByte();
            if (byte < 0)
                break;
            output.PutByte(byte);
            if (length > 0 && --length == 0)
                break;
        }
    }
    guard.Close();
    TakeStorageFailure(status, input, output);
    return status.code;
}

// ---- UnpackPackageFile -----------------------------------------------------

namespace {

// Makes a writable copy of source in the temporary directory. tempName
// (MAX_PATH characters) holds the copy's name as soon as it exists, also
// when a later step fails.
bool MakeWritableCopy(const char* source, char* tempName) {
    char tempDirectory[MAX_PATH];
    DWORD length = GetTempPathA(MAX_PATH, tempDirectory);
    if (length == 0 || length >= MAX_PATH)
        return false;
    if (GetTempFileNameA(tempDirectory, "xzx", 0, tempName) == 0) {
        tempName[0] = '\0';
        return false;
    }
    if (!CopyFileA(source, tempName, FALSE))
        return false;
    DWORD attributes = GetFileAttributesA(tempName);
    if (attributes == static_cast<DWORD>(-1))
        return false;
    return SetFileAttributesA(tempName, attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
}

} // namespace

int UnpackPackageFile(const char* source, const char* target) {
    if (!source || !target)
        return -2;
    DWORD attributes = GetFileAttributesA(source);
    if (attributes == static_cast<DWORD>(-1))
        return -1;

    char tempName[MAX_PATH] = "";
    if (attributes & FILE_ATTRIBUTE_READONLY) {
        if (!MakeWritableCopy(source, tempName)) {
            if (tempName[0] != '\0')
                DeleteFileA(tempName);
            return -2;
        }
        source = tempName;
    }

    int result;
    {
        FileStorage input(source, kStorageBlockSize, 3);
        FileStorage output(target, kStorageBlockSize, 3);
        InflateEngine engine;
        engine.Decompress(input, output, -1);
        result = engine.status.code != 0 ? -2 : 0;
        output.Close();
    }
    if (tempName[0] != '\0')
        DeleteFileA(tempName);
    return result;
}
