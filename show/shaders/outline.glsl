// The symbol image with a crisp light rim just outside its silhouette.
//
// Coverage is what the symbol pass drew over its cleared (0, 0, 0, 0)
// background. The rim is how much more covered the texel's surroundings are
// than the texel itself, so it is about two texels wide and anti-aliased by
// the bilinear fetches. Alpha carries coverage and rim, for
// the alpha blend modes.
#version 120
void main() {
    gl_TexCoord[0] = gl_MultiTexCoord0;
    gl_Position = gl_Vertex;
}
//____FRAGMENT_SHADER____
#version 120
uniform sampler2D u_source;
uniform vec2 u_pixel;

const vec3 rimColour = vec3(0.85, 0.95, 1.0);
// Diagonal offsets in texels: each bilinear fetch there averages a 2x2
// block, so four of them look at the 4x4 block around the texel.
const float reach = 1.2;

float coverage(vec4 c) {
    return clamp(max(c.a, max(c.r, max(c.g, c.b)) * 64.0), 0.0, 1.0);
}

void main() {
    vec2 uv = gl_TexCoord[0].xy;
    vec2 d = u_pixel * reach;
    vec4 c = texture2D(u_source, uv);
    float own = coverage(c);
    float around = max(max(coverage(texture2D(u_source, uv + vec2(d.x, d.y))),
                            coverage(texture2D(u_source, uv + vec2(-d.x, d.y)))),
                        max(coverage(texture2D(u_source, uv + vec2(d.x, -d.y))),
                            coverage(texture2D(u_source, uv + vec2(-d.x, -d.y)))));
    float rim = clamp(around - own, 0.0, 1.0);
    gl_FragColor = vec4(c.rgb + rimColour * rim, max(own, rim));
}
