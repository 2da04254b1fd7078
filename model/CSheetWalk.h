#pragma once

#include <cstddef>
#include <iterator>

class CNote;
class CNotenblatt;

// A read-only walk over a sheet's notes in song order, for readers that must not move the
// sheet's own cursor (layout, rendering, storing, export). It yields what the cursor walk
// yields: it stops at the first empty bar, and bNewBar marks a note opening a bar other than
// the first.
class CSheetWalk {
public:
    struct SStep {
        const CNote& note;
        bool bNewBar;
    };

    class Iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = SStep;
        using difference_type = std::ptrdiff_t;

        Iterator() = default;
        Iterator(const CNotenblatt* pSheet, size_t nBar, size_t nNote);

        SStep operator*() const;
        Iterator& operator++();
        Iterator operator++(int);
        bool operator==(const Iterator& other) const = default;

    private:
        void SkipToEndIfEmpty();

        const CNotenblatt* m_pSheet = nullptr;
        size_t m_nBar = 0;
        size_t m_nNote = 0;
    };

    explicit CSheetWalk(const CNotenblatt& sheet) : m_sheet(sheet) {}

    Iterator begin() const;
    Iterator end() const;

private:
    const CNotenblatt& m_sheet;
};
