#version 330 core

// The shadow target has no colour attachment: only the depth written by the
// rasteriser is kept.
void main()
{
}
