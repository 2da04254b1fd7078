#pragma once

#include <QSpinBox>

#include <optional>

// The tempo a recording was played at, for the transcriber: quarters per minute within the
// tempi the command line takes as well, or "automatisch" (below them, and where it starts) to
// have the tempo found in the recording.
class CTempoBox : public QSpinBox {
    Q_OBJECT

public:
    explicit CTempoBox(QWidget* parent = nullptr);

    // The tempo given, or nothing for "automatisch".
    std::optional<double> Quarters() const;
};
