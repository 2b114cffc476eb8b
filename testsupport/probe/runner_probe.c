/* A test program that prints a line and then hangs: it shows that the Wine
 * test runner stops a hung program before CTest does, so that what the
 * program printed is still shown. */
#include <stdio.h>
#include <windows.h>

int main(void)
{
    printf("probe: started\n");
    fflush(stdout);
    Sleep(INFINITE);
    return 0;
}
