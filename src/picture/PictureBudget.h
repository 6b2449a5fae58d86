#pragma once

#include <QtGlobal>

// The memory that all pictures held at once may take together: the main photo, the preview
// and anything decoded ahead draw from one budget, so two large photos cannot each take a
// budget of their own. Safe to use from several threads; one Reservation is used by one thread
// at a time.
class PictureBudget
{
public:
    // Half the machine's memory, at most 1 GiB.
    static qint64 defaultLimit();
    static qint64 limit();
    // Tests and fuzzers make the budget small so that a hostile header costs little.
    static void setLimit(qint64 bytes);
    static qint64 inUse();
    // What is left of the limit now.
    static qint64 available();

    // Bytes taken from the budget while this object lives; empty when they did not fit.
    class Reservation
    {
    public:
        Reservation() = default;
        explicit Reservation(qint64 bytes);
        ~Reservation();
        Reservation(Reservation&& other) noexcept;
        Reservation& operator=(Reservation&& other) noexcept;
        Reservation(const Reservation&) = delete;
        Reservation& operator=(const Reservation&) = delete;

        bool isValid() const { return m_valid; }
        void release();

    private:
        qint64 m_bytes = 0;
        bool m_valid = false;
    };
};
