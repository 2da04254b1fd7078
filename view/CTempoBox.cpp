#include "CTempoBox.h"

#include "CTranscriber.h"

CTempoBox::CTempoBox(QWidget* parent) : QSpinBox(parent) {
    setObjectName(QStringLiteral("tempo"));
    setRange(CTranscriber::kLeastGivenTempo - 1, CTranscriber::kMostGivenTempo);
    setSpecialValueText(QStringLiteral("automatisch"));
    setSuffix(QStringLiteral(" Viertel pro Minute"));
    setValue(minimum());
}

std::optional<double> CTempoBox::Quarters() const {
    if (value() == minimum()) {
        return std::nullopt;
    }
    return double(value());
}
