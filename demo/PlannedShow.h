#pragma once

// A show made from a ShowPlan: each planned scene becomes its kind's scene
// class, made with the plan's values, in the plan's order. Remade from a new
// plan, it keeps its Resources, so pictures and programs both plans use are
// neither read nor uploaded again.

#include "demo/ShowDemo.h"
#include "demo/ShowPlan.h"

#include <memory>

class PlannedShow final : public ShowDemo {
public:
    // Needs a current GL context.
    PlannedShow(int width, int height, ShowPlan plan);
    ~PlannedShow();

    void init() override;
    // Replaces every scene by those of the new plan.
    void remake(ShowPlan plan);

    const ShowPlan& plan() const { return plan_; }

private:
    ShowPlan plan_;
    std::vector<std::unique_ptr<ShowScene>> owned_;
};
