// The templates of the tools' tests.
#pragma once

#define IDD_TEST_TOOL 9001
