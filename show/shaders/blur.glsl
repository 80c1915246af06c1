// Soft directional blur of "u_source" along "u_pixel" (one texel step along
// the blur direction), reaching "u_radius" texels each way.
//
// The kernel is the biweight (1 - (x/R)^2)^2, which falls smoothly to zero
// at the reach R. Its taps at -(R-1) .. R are taken two at a time: one
// bilinear fetch placed between two neighbouring texels, at the weighted
// mean of their offsets, returns exactly their weighted sum, so R fetches
// cover the reach instead of one per texel. Each loop turn takes two such
// pairs, which halves the loop's own overhead; a pair past the reach weighs
// nothing.
#version 120
void main() {
    gl_TexCoord[0] = gl_MultiTexCoord0;
    gl_Position = gl_Vertex;
}
//____FRAGMENT_SHADER____
#version 120
uniform sampler2D u_source;
uniform vec2 u_pixel;
uniform int u_radius;

float weight(float x, float inverseRadius) {
    float q = x * inverseRadius;
    float w = max(1.0 - q * q, 0.0);
    return w * w;
}

void main() {
    vec2 uv = gl_TexCoord[0].xy;
    if (u_radius < 1) {
        gl_FragColor = texture2D(u_source, uv);
        return;
    }
    float inverseRadius = 1.0 / float(u_radius);
    vec4 sum = vec4(0.0);
    float total = 0.0;
    for (int i = 1 - u_radius; i < u_radius; i += 4) {
        float a = float(i);
        float wa = weight(a, inverseRadius);
        float wb = weight(a + 1.0, inverseRadius);
        float wc = weight(a + 2.0, inverseRadius);
        float wd = weight(a + 3.0, inverseRadius);
        float near = wa + wb;
        float far = wc + wd;
        sum += near * texture2D(u_source, uv + u_pixel * (a + wb / near));
        sum += far * texture2D(u_source, uv + u_pixel * (a + 2.0 + wd / max(far, 1e-6)));
        total += near + far;
    }
    gl_FragColor = sum / total;
}
