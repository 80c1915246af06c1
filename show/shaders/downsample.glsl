// Halves "u_source" ("u_pixel" is one source texel) with a 4x4 box: each of
// the four bilinear fetches sits on a texel corner and averages 2x2 texels.
// The wide footprint keeps thin moving lines from flickering in the glow.
//
// Only what is bright passes: each fetch is weighted by a soft knee on its
// brightest channel, so dim and mid-grey layers (the video's tint, washes)
// stay out of the glow and the glow lights highlights, beams and the outline
// instead of laying a veil over the whole picture. The chain downsamples
// twice; a fetch that passed the knee once is bright enough to pass it again
// whole, so the second pass only sharpens the wide glow's choice.
#version 120
void main() {
    gl_TexCoord[0] = gl_MultiTexCoord0;
    gl_Position = gl_Vertex;
}
//____FRAGMENT_SHADER____
#version 120
uniform sampler2D u_source;
uniform vec2 u_pixel;

// Below the knee's foot nothing glows; from its top everything glows fully.
const float kneeFoot = 0.3;
const float kneeTop = 0.7;

vec4 bright(vec2 uv) {
    vec4 c = texture2D(u_source, uv);
    float peak = max(c.r, max(c.g, c.b));
    return c * smoothstep(kneeFoot, kneeTop, peak);
}

void main() {
    vec2 uv = gl_TexCoord[0].xy;
    vec4 c = bright(uv + u_pixel * vec2(-1.0, -1.0));
    c += bright(uv + u_pixel * vec2(1.0, -1.0));
    c += bright(uv + u_pixel * vec2(-1.0, 1.0));
    c += bright(uv + u_pixel * vec2(1.0, 1.0));
    gl_FragColor = c * 0.25;
}
