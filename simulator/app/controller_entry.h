// Chooses what the link window's command-line thread runs.
#pragma once

void InstallControllerEntry();
