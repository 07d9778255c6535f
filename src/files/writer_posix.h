#pragma once
// Writes pieces to a file on a thread of its own, so that reading and
// translating the next piece overlaps writing this one: on two cores that
// beats doing both in turn (bench/compare.sh).
#include <cstddef>
#include <cstdint>

struct BackgroundWriter;

// Starts the thread, with a few pieces of `pieceSize` bytes to pass between
// the two. Null when no thread or memory can be had: then write in line.
BackgroundWriter* StartBackgroundWriter(int fd, std::size_t pieceSize);

// A piece free to be filled; waits for one if all are being written.
std::uint8_t* FreePiece(BackgroundWriter& writer);

// Hands over `size` bytes at `piece` (from FreePiece) to be written in turn.
// False once any write has failed; later pieces are then dropped.
bool QueuePiece(BackgroundWriter& writer, std::uint8_t* piece, std::size_t size);

// Waits until everything handed over is written, ends the thread and frees
// the pieces. False when any write failed.
bool StopBackgroundWriter(BackgroundWriter* writer);
