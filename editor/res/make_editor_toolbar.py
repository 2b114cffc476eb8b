#!/usr/bin/env python3
"""Writes the program editor frame's toolbar pictures (toolbar.bmp, 24-bit,
one 19x18 picture per button, magenta where the button shows through), in
the shapes of the main toolbar. Run it again after changing the buttons;
the output is kept in the repository."""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "shell", "res"))
from make_resources import bmp24, toolbar_image  # noqa: E402

# The editor frame's buttons, in order (kToolbarButtons in editframe.cpp).
EDITOR_ICONS = [
    ((0, 70, 160), "page"),     # save
    ((80, 80, 200), "eye"),     # find
    ((0, 160, 0), "play"),      # run
    ((0, 100, 200), "step"),    # step line
    ((200, 0, 0), "square"),    # stop
    ((190, 0, 90), "dots"),     # toggle breakpoint
    ((0, 150, 150), "tick"),    # compile
]

if __name__ == "__main__":
    here = os.path.dirname(os.path.abspath(__file__))
    with open(os.path.join(here, "toolbar.bmp"), "wb") as f:
        f.write(bmp24(toolbar_image(icons=EDITOR_ICONS)))
