// Replaced once the exchange lands.
