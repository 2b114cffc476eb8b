// A header of the shell.
