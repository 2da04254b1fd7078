#pragma once

// Records what a generate run reports, in order, with the steps counted per stage.

#include <string>
#include <vector>

#include "IProgressSink.h"

class RecordingSink : public IProgressSink {
public:
    struct Stage {
        std::string text;
        int samplerSteps = 0;
        int filterSteps = 0;
    };
    void SetProgressStatus(std::string text) override { stages.push_back({std::move(text)}); }
    void StepSamplerProgress() override { Current().samplerSteps++, samplerSteps++; }
    void StepFilterProgress() override { Current().filterSteps++, filterSteps++; }
    void ShowWarning(const std::string& text) override { warnings.push_back(text); }

    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const Stage& stage : stages) {
            texts.push_back(stage.text);
        }
        return texts;
    }

    std::vector<Stage> stages;
    std::vector<std::string> warnings;
    int samplerSteps = 0;
    int filterSteps = 0;

private:
    Stage& Current() {
        if (stages.empty()) {
            stages.push_back({"(none)"});
        }
        return stages.back();
    }
};
