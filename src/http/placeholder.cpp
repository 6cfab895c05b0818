// Placeholder until the client lands.
