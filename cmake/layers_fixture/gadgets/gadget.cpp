// A folder the list of layers does not know.
