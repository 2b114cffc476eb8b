// A header of the foundation.
