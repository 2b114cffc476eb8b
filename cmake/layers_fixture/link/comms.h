// The link's header.
