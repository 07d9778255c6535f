#include "files/writer_posix.h"

#include <condition_variable>
#include <csignal>
#include <deque>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

#include "files/io_posix.h"
#include "files/memory.h"

namespace {

// Enough for the reader to stay a piece ahead while two are being written.
constexpr int kPieces = 4;

}  // namespace

struct QueuedPiece {
    std::uint8_t* Data;
    std::size_t Size;
};

struct BackgroundWriter {
    int Fd = -1;
    std::vector<WorkMemory> Memory;
    std::mutex Lock;
    std::condition_variable Changed;
    std::vector<std::uint8_t*> Free;
    std::deque<QueuedPiece> Queued;
    bool Stopping = false;
    bool Failed = false;
    std::thread Thread;
};

namespace {

void WriteInTurn(BackgroundWriter& writer)
{
    std::unique_lock<std::mutex> lock(writer.Lock);
    for (;;) {
        writer.Changed.wait(lock, [&] { return !writer.Queued.empty() || writer.Stopping; });
        if (writer.Queued.empty())
            return;
        QueuedPiece piece = writer.Queued.front();
        writer.Queued.pop_front();
        bool skip = writer.Failed;
        lock.unlock();
        bool written = skip || WriteAll(writer.Fd, piece.Data, piece.Size);
        lock.lock();
        writer.Failed = writer.Failed || !written;
        writer.Free.push_back(piece.Data);
        writer.Changed.notify_all();
    }
}

}  // namespace

BackgroundWriter* StartBackgroundWriter(int fd, std::size_t pieceSize)
{
    BackgroundWriter* writer = new (std::nothrow) BackgroundWriter;
    if (writer == nullptr)
        return nullptr;
    writer->Fd = fd;
    try {
        for (int i = 0; i < kPieces; ++i) {
            writer->Memory.push_back(TakeMemory(pieceSize));
            writer->Free.push_back(writer->Memory.back().get());
        }
        // Signals go to the main thread alone: its handlers and the steps it
        // holds them back for must not be cut short from here.
        sigset_t all, old;
        sigfillset(&all);
        pthread_sigmask(SIG_BLOCK, &all, &old);
        try {
            writer->Thread = std::thread(WriteInTurn, std::ref(*writer));
        } catch (...) {
            pthread_sigmask(SIG_SETMASK, &old, nullptr);
            throw;
        }
        pthread_sigmask(SIG_SETMASK, &old, nullptr);
    } catch (...) {
        delete writer;
        return nullptr;
    }
    return writer;
}

std::uint8_t* FreePiece(BackgroundWriter& writer)
{
    std::unique_lock<std::mutex> lock(writer.Lock);
    writer.Changed.wait(lock, [&] { return !writer.Free.empty(); });
    std::uint8_t* piece = writer.Free.back();
    writer.Free.pop_back();
    return piece;
}

bool QueuePiece(BackgroundWriter& writer, std::uint8_t* piece, std::size_t size)
{
    std::lock_guard<std::mutex> lock(writer.Lock);
    writer.Queued.push_back({piece, size});
    writer.Changed.notify_all();
    return !writer.Failed;
}

bool StopBackgroundWriter(BackgroundWriter* writer)
{
    if (writer == nullptr)
        return true;
    {
        std::lock_guard<std::mutex> lock(writer->Lock);
        writer->Stopping = true;
        writer->Changed.notify_all();
    }
    writer->Thread.join();
    bool written = !writer->Failed;
    delete writer;
    return written;
}
