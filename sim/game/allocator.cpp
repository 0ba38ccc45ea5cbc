// Placeholder until the game emulator lands.
