#pragma once

// Plain files read in pieces, as a network or user-space file system may hand them out:
// while a ShortReads lives, each read() or pread() of a plain file returns a random number of
// bytes, from one to a few thousand, after a wait of up to half a millisecond.
class ShortReads {
public:
    explicit ShortReads(unsigned seed);
    ~ShortReads();
    ShortReads(const ShortReads&) = delete;
    ShortReads& operator=(const ShortReads&) = delete;
    static int Pieces(); // reads cut short so far
};
