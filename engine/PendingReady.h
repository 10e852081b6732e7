// What the ready timer's tick still has to do after a call's end: put the
// ready text in the status line and empty the number box. Whatever comes
// first takes its part away, so the tick never overwrites it: any other
// status text (a registration event, an offer, a refused number) keeps the
// status line; a number typed keeps the box; a new call keeps both.
#pragma once

namespace ralu {

class PendingReady {
public:
    void arm() { m_status = m_number = true; }
    void keepStatus() { m_status = false; }
    void keepNumber() { m_number = false; }
    void keepBoth() { m_status = m_number = false; }
    bool status() const { return m_status; }
    bool number() const { return m_number; }

private:
    bool m_status = false;
    bool m_number = false;
};

} // namespace ralu
