/* Records how it was started and exits: its command line and its working
 * folder, one per line, in "<its own path>.cmdline". The file is written
 * under a temporary name and then renamed, so whoever waits for it reads it
 * whole. */
#include <windows.h>

#include <stdio.h>

int main(void)
{
    char self[MAX_PATH], folder[MAX_PATH], target[MAX_PATH + 16], temporary[MAX_PATH + 16];
    DWORD n = GetModuleFileNameA(NULL, self, MAX_PATH);
    if (n == 0 || n >= MAX_PATH || !GetCurrentDirectoryA(MAX_PATH, folder))
        return 1;
    snprintf(target, sizeof target, "%s.cmdline", self);
    snprintf(temporary, sizeof temporary, "%s.partial", self);
    FILE* f = fopen(temporary, "wb");
    if (!f)
        return 1;
    fprintf(f, "%s\n%s\n", GetCommandLineA(), folder);
    if (fclose(f) != 0)
        return 1;
    return MoveFileExA(temporary, target, MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
