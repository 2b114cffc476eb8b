// A test's frame window, made from the test frame's resources and placed
// away from the top-left corner, where other test programs read pixels of
// the shared screen. The frame deletes itself when its window goes.
#pragma once

#include "framework/frame.h"
#include "framework_tests_res.h"

template <class TFrame>
struct TFrameHolder {
    TFrame* frame = new TFrame;
    // prepare gets the frame object before its window is made.
    template <class Prepare>
    TFrameHolder(const RECT& place, Prepare prepare)
    {
        prepare(*frame);
        if (!frame->LoadFrame(IDR_TEST_FRAME)) {
            delete frame;
            frame = nullptr;
        } else {
            frame->MoveWindow(&place);
            frame->ShowWindow(SW_SHOWNORMAL);
        }
    }
    ~TFrameHolder()
    {
        if (frame)
            frame->DestroyWindow();
    }
    TFrameHolder(const TFrameHolder&) = delete;
    TFrameHolder& operator=(const TFrameHolder&) = delete;
};
