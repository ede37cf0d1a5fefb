#pragma once

// Advances the game by one tick: move, collide, eat or slide along.
void UpdateGame();
